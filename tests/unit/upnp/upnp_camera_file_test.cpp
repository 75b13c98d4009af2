// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "tools/devsim/upnp_camera.h"

namespace {

TEST(UpnpCameraLine, ReadsEveryKey) {
    std::string error;
    const auto camera = ParseUpnpCameraLine(
        "maker=AXIS; name=KX1557 (front door) ;description=AXIS KX1557 Network Camera;model=KX1557;number=2.1;"
        "serial=00408C1234;udn=uuid:abc;upc=123456789012;maker_url=http://www.axis.com/;"
        "model_url=http://www.axis.com/kx1557;presentation=http://203.0.113.90:8080/index.html;icon=gif;"
        "children=2;services=5",
        error);
    ASSERT_TRUE(camera) << error;
    EXPECT_EQ(camera->maker, "AXIS");
    EXPECT_EQ(camera->name, "KX1557 (front door)");
    EXPECT_EQ(camera->description, "AXIS KX1557 Network Camera");
    EXPECT_EQ(camera->model, "KX1557");
    EXPECT_EQ(camera->number, "2.1");
    EXPECT_EQ(camera->serial, "00408C1234");
    EXPECT_EQ(camera->udn, "uuid:abc");
    EXPECT_EQ(camera->upc, "123456789012");
    EXPECT_EQ(camera->makerUrl, "http://www.axis.com/");
    EXPECT_EQ(camera->modelUrl, "http://www.axis.com/kx1557");
    // Values keep their own "=" and ":".
    EXPECT_EQ(camera->presentation, "http://203.0.113.90:8080/index.html");
    EXPECT_EQ(camera->icon, CameraIcon::Gif);
    EXPECT_EQ(camera->children, 2);
    EXPECT_EQ(camera->services, 5);
}

TEST(UpnpCameraLine, RefusesWhatItCannotServe) {
    for (const char* line : {"maker=AXIS;colour=red", "maker=AXIS;children=17", "children=-1", "services=two",
                             "icon=jpeg", "maker AXIS", "children="}) {
        std::string error;
        EXPECT_FALSE(ParseUpnpCameraLine(line, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

TEST(UpnpCameraFile, SkipsCommentsGivesUdnsAndNamesTheBadLine) {
    const std::string path = testing::TempDir() + "upnp_cameras_test.txt";
    {
        std::ofstream out(path);
        out << "# cameras\n\nmaker=AXIS;name=A\r\nmaker=Vivotek;name=V (1);udn=uuid:given\n";
    }
    std::string error;
    auto cameras = LoadUpnpCameraFile(path, error);
    ASSERT_TRUE(cameras) << error;
    ASSERT_EQ(cameras->size(), 2u);
    EXPECT_EQ((*cameras)[0].name, "A");
    EXPECT_FALSE((*cameras)[0].udn.empty());
    EXPECT_EQ((*cameras)[0].udn.rfind("uuid:", 0), 0u);
    EXPECT_EQ((*cameras)[1].udn, "uuid:given");

    {
        std::ofstream out(path);
        out << "maker=AXIS\nmaker=AXIS;bogus=1\n";
    }
    EXPECT_FALSE(LoadUpnpCameraFile(path, error));
    EXPECT_NE(error.find(":2:"), std::string::npos) << error;
    std::remove(path.c_str());
    EXPECT_FALSE(LoadUpnpCameraFile(path, error));
}

TEST(UpnpCameraDescription, EscapesTextsAndListsChildrenServicesAndIcon) {
    UpnpCamera camera;
    camera.maker = "AT&T <Labs>";
    camera.name = "Cam \"1\"";
    camera.udn = "uuid:root";
    camera.icon = CameraIcon::Gif;
    camera.children = 2;
    camera.services = 3;
    const std::string xml = UpnpCameraDescription(camera, "/icons/c.gif");
    EXPECT_NE(xml.find("<manufacturer>AT&amp;T &lt;Labs&gt;</manufacturer>"), std::string::npos);
    EXPECT_NE(xml.find("<friendlyName>Cam &quot;1&quot;</friendlyName>"), std::string::npos);
    EXPECT_NE(xml.find("<mimetype>image/gif</mimetype><width>32</width><height>32</height><depth>8</depth>"
                       "<url>/icons/c.gif</url>"),
              std::string::npos);
    EXPECT_NE(xml.find("<UDN>uuid:root-lens2</UDN>"), std::string::npos);
    EXPECT_EQ(xml.find("uuid:root-lens3"), std::string::npos);
    EXPECT_NE(xml.find("Channel3"), std::string::npos);
    EXPECT_EQ(xml.find("Channel4"), std::string::npos);
    // Absent texts are left out, not sent empty.
    EXPECT_EQ(xml.find("<presentationURL>"), std::string::npos);
}

}  // namespace
