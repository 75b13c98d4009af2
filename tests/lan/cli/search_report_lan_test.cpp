// SPDX-License-Identifier: GPL-3.0-or-later
// The search report of lanvaro-cli --report against a simulated LAN: each
// problem provoked in the box, and the reply counters of a run whose
// duplicates, rejects and hidden rows are known.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

std::vector<std::string> Keys(const QJsonObject& object) {
    std::vector<std::string> keys;
    for (const QString& key : object.keys()) keys.push_back(key.toStdString());
    return keys;
}

constexpr const char* kDevices =
    "M2,P1,cam two,203.0.113.2,80,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:02,d,n\n"
    "M1,P1,cam one,203.0.113.1,8080,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:01,d,n\n"
    "M3,P2,other,203.0.113.3,80,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:03,d,n\n";

// A second card that can broadcast, made inside the box for one test: a veth
// pair whose other end nobody listens on. Both ends get a box address, or
// devsim would refuse to start beside them.
class BroadcastCard {
public:
    BroadcastCard() {
        ok_ = Ip({"link", "add", "rpt0", "type", "veth", "peer", "name", "rpt1"}) &&
              Ip({"addr", "add", "198.51.100.2/24", "dev", "rpt0"}) &&
              Ip({"addr", "add", "198.51.100.3/24", "dev", "rpt1"}) && Ip({"link", "set", "rpt0", "up"}) &&
              Ip({"link", "set", "rpt1", "up"});
    }
    ~BroadcastCard() { Ip({"link", "del", "rpt0"}); }
    bool Ok() const { return ok_; }

private:
    static bool Ip(std::vector<std::string> args) {
        args.insert(args.begin(), "/usr/sbin/ip");
        ChildProcess ip(args);
        return ip.Wait(std::chrono::seconds(10)).value_or(-1) == 0;
    }
    bool ok_ = false;
};

class SearchReportLan : public ::testing::Test {
protected:
    void StartDevsim(std::vector<std::string> options) {
        ASSERT_TRUE(WriteFile(files.File("devices"), kDevices));
        options.insert(options.begin(), {"--devices", files.File("devices")});
        devsim = std::make_unique<DevsimProcess>(options);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    // Runs a search and returns its report.
    QJsonObject Report(std::vector<std::string> args) {
        const std::string report = files.File("report.json");
        args.insert(args.begin(), {LANVARO_CLI_PATH, "--report", report});
        ChildProcess cli(args, {{}, files.File("out"), files.File("err")});
        EXPECT_EQ(cli.Wait(std::chrono::seconds(60)).value_or(-1), 0) << ReadWholeFile(files.File("err"));
        QJsonParseError error{};
        const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(ReadWholeFile(report)), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return json.object();
    }

    // Runs lanvaro-cli doctor; its exit status, stdout in `out`.
    int Doctor(std::string& out) {
        ChildProcess cli({LANVARO_CLI_PATH, "doctor"}, {{}, files.File("doctor"), files.File("err")});
        const int status = cli.Wait(std::chrono::seconds(30)).value_or(-1);
        out = ReadWholeFile(files.File("doctor"));
        return status;
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
};

struct ProblemCase {
    const char* name;
    std::vector<std::string> devsim;  // empty: no devsim
    std::vector<std::string> cli;
    bool extraCard;
    const char* code;
    const char* mentions;  // in the text or the fix
};

class ProblemLan : public SearchReportLan, public ::testing::WithParamInterface<ProblemCase> {};

}  // namespace

TEST_P(ProblemLan, ShowsUpWithItsFix) {
    const ProblemCase& c = GetParam();
    if (!c.devsim.empty()) StartDevsim(c.devsim);
    std::optional<BroadcastCard> card;
    if (c.extraCard) {
        card.emplace();
        ASSERT_TRUE(card->Ok());
    }
    const QJsonObject report = Report(c.cli);
    bool found = false;
    for (const QJsonValue& value : report[Q("problems")].toArray()) {
        const QJsonObject problem = value.toObject();
        if (problem[Q("code")].toString() != Q(c.code)) continue;
        found = true;
        EXPECT_FALSE(problem[Q("fix")].toString().isEmpty());
        const QString both = problem[Q("text")].toString() + problem[Q("fix")].toString();
        EXPECT_TRUE(both.contains(Q(c.mentions))) << both.toStdString();
    }
    EXPECT_TRUE(found) << QJsonDocument(report).toJson().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ProblemLan,
    ::testing::Values(
        ProblemCase{"ReplyPortBusy",
                    {"--hold-reply-port", "--no-udp"},
                    {"--filter", "P1"},
                    false,
                    "reply-port-busy",
                    "lanvaro-devsim"},
        ProblemCase{"ReplyPortShared",
                    {"--share-reply-port"},
                    {"--filter", "P1"},
                    false,
                    "reply-port-shared",
                    "lanvaro-devsim"},
        ProblemCase{"NoBroadcastCard", {}, {"--filter", "P1"}, false, "no-broadcast-card", "ip -br addr"},
        ProblemCase{"RelayAddressInvalid",
                    {},
                    {"--relay", "relay.local.", "--filter", "P1"},
                    false,
                    "relay-address-invalid",
                    "\"relay.local.\""},
        ProblemCase{"RelayUnreachable",
                    {},
                    {"--relay", "127.0.0.1", "--filter", "P1"},
                    false,
                    "relay-unreachable",
                    "127.0.0.1"},
        ProblemCase{"NothingAnswered", {}, {"--filter", "P1"}, true, "nothing-answered", "sudo ufw allow 6667/udp"},
        ProblemCase{"DevicesOutsideNetworks",
                    {"--per-datagram", "1"},
                    {"--filter", "P1"},
                    false,
                    "devices-outside-networks",
                    "Network Setup"}),
    [](const ::testing::TestParamInfo<ProblemCase>& param) { return std::string(param.param.name); });

TEST_F(SearchReportLan, OutsideDevicesAreListedInTableOrder) {
    StartDevsim({});
    const QJsonObject report = Report({"--filter", "P1"});
    EXPECT_EQ(report[Q("outside_networks")].toArray(), QJsonArray({Q("203.0.113.2"), Q("203.0.113.1")}));
}

TEST_F(SearchReportLan, CountersAddUp) {
    // One device listed twice, and a foreign, an unknown-flag and an
    // undecodable datagram after every answer; two queries.
    ASSERT_TRUE(
        WriteFile(files.File("devices"),
                  std::string(kDevices) +
                      "M1,P1,cam one,203.0.113.1,8080,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:01,d,n\n"));
    devsim = std::make_unique<DevsimProcess>(std::vector<std::string>{"--devices", files.File("devices"), "--rejects"});
    ASSERT_TRUE(devsim->Start()) << devsim->Error();

    const QJsonObject report = Report({"--filter", "P1"});
    EXPECT_EQ(Keys(report), (std::vector<std::string>{"address_conflicts", "cards", "outside_networks", "problems",
                                                      "replies", "search", "upnp"}));
    const QJsonObject replies = report[Q("replies")].toObject();
    EXPECT_EQ(Keys(replies),
              (std::vector<std::string>{"bytes", "datagrams", "devices", "duplicates", "hidden_by_filter", "packages",
                                        "rejected", "rejected_reasons"}));
    // Each query: four device datagrams and three to refuse.
    EXPECT_EQ(replies[Q("datagrams")].toInt(), 14);
    EXPECT_GT(replies[Q("bytes")].toInt(), 14 * 8);
    EXPECT_EQ(replies[Q("packages")].toInt(), 14);
    EXPECT_EQ(replies[Q("devices")].toInt(), 3);
    EXPECT_EQ(replies[Q("duplicates")].toInt(), 5);
    EXPECT_EQ(replies[Q("hidden_by_filter")].toInt(), 1);
    EXPECT_EQ(replies[Q("rejected")].toInt(), 6);
    EXPECT_EQ(replies[Q("rejected_reasons")].toObject(),
              QJsonObject({{Q("not-kestrova"), 2}, {Q("unexpected-flag"), 2}, {Q("undecodable"), 2}}));

    const QJsonObject search = report[Q("search")].toObject();
    EXPECT_EQ(search[Q("method")].toString(), Q("Local Broadcast"));
    EXPECT_EQ(search[Q("filter")].toString(), Q("P1"));
    EXPECT_GT(search[Q("seconds")].toDouble(), 0.0);
    const QJsonArray cards = report[Q("cards")].toArray();
    ASSERT_EQ(cards.size(), 1);
    EXPECT_EQ(cards[0].toObject()[Q("queries")].toInt(), 2);
    EXPECT_EQ(cards[0].toObject()[Q("failed_sends")].toInt(), 0);
}

TEST_F(SearchReportLan, LargeRelayAnswerCountsOnce) {
    // Big enough to reach the window thread in several pieces.
    devsim = std::make_unique<DevsimProcess>(std::vector<std::string>{"--count", "6000", "--tcp-relay", "--no-udp"});
    ASSERT_TRUE(devsim->Start()) << devsim->Error();
    const QJsonObject replies = Report({"--relay", "127.0.0.1", "--filter", "none"})[Q("replies")].toObject();
    EXPECT_EQ(replies[Q("datagrams")].toInt(), 1);
    EXPECT_EQ(replies[Q("packages")].toInt(), 6000);
    EXPECT_EQ(replies[Q("hidden_by_filter")].toInt(), 6000);
}

TEST_F(SearchReportLan, OnvifPartIsReported) {
    devsim = std::make_unique<DevsimProcess>(
        std::vector<std::string>{"--no-udp", "--onvif", "2", "--onvif-malformed", "--onvif-repeat"});
    ASSERT_TRUE(devsim->Start()) << devsim->Error();
    const QJsonObject onvif = Report({"--filter", "ONVIF"})[Q("onvif")].toObject();
    EXPECT_EQ(onvif[Q("devices")].toInt(), 3);
    // The repeating camera answers every probe three times.
    EXPECT_GE(onvif[Q("matches")].toInt(), 5);
    EXPECT_GE(onvif[Q("malformed")].toInt(), 1);
}

TEST_F(SearchReportLan, DoctorNamesTheProgramHoldingTheReplyPort) {
    BroadcastCard card;
    ASSERT_TRUE(card.Ok());
    std::string out;
    EXPECT_EQ(Doctor(out), 0) << out;

    StartDevsim({"--hold-reply-port", "--no-udp"});
    EXPECT_EQ(Doctor(out), 1) << out;
    EXPECT_NE(out.find("[reply-port-busy]"), std::string::npos) << out;
    EXPECT_NE(out.find("lanvaro-devsim (process "), std::string::npos) << out;
}

TEST_F(SearchReportLan, DevicesSharingAnAddressAreOneConflictWithTheirMacs) {
    devsim = std::make_unique<DevsimProcess>(
        std::vector<std::string>{"--conflicts", "3", "--count", "2", "--device-net", "198.51.100"});
    ASSERT_TRUE(devsim->Start()) << devsim->Error();
    const QJsonObject report = Report({"--filter", "IPCam"});
    const QJsonArray conflicts = report[Q("address_conflicts")].toArray();
    ASSERT_EQ(conflicts.size(), 1) << QJsonDocument(report).toJson().toStdString();
    const QJsonObject conflict = conflicts[0].toObject();
    EXPECT_EQ(conflict[Q("ip")].toString(), Q("198.51.100.9"));
    QStringList macs;
    for (const QJsonValue& mac : conflict[Q("macs")].toArray()) macs << mac.toString();
    macs.sort();
    EXPECT_EQ(macs, QStringList({Q("02:4B:43:00:00:00"), Q("02:4B:43:00:00:01"), Q("02:4B:43:00:00:02")}));

    QString text;
    for (const QJsonValue& value : report[Q("problems")].toArray())
        if (value.toObject()[Q("code")].toString() == Q("address-conflict"))
            text = value.toObject()[Q("text")].toString();
    EXPECT_TRUE(text.startsWith(Q("3 devices answer with the address 198.51.100.9: 02:4B:43:00:00:0")))
        << text.toStdString();
}
