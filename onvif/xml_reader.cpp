// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/xml_reader.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

std::string_view View(const xmlChar* text) {
    return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// What libxml2 says while one document is read; a few lines are enough to
// explain a datagram, and a hostile one must not grow them.
struct ParserMessages {
    static constexpr std::size_t kMaxLines = 3;
    static constexpr std::size_t kMaxLineBytes = 200;
    std::vector<std::string> lines;

    void Add(std::string line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
        if (line.empty() || lines.size() >= kMaxLines) return;
        if (line.size() > kMaxLineBytes) line.resize(kMaxLineBytes);
        lines.push_back(std::move(line));
    }
    std::string Joined() const {
        std::string text;
        for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
        return text;
    }
};

void CollectStructured(void* data, xmlErrorPtr error) {
    if (error == nullptr || error->message == nullptr) return;
    static_cast<ParserMessages*>(data)->Add(error->message);
}

// Some paths of libxml2 still print through the generic channel.
__attribute__((format(printf, 2, 3))) void CollectGeneric(void* data, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    static_cast<ParserMessages*>(data)->Add(text);
}

// libxml2 keeps its error channels per thread, and prints to stderr when
// none is set: a hostile datagram's messages would otherwise reach the
// terminal of lanvaro-cli, outside every bound.
class ScopedParserMessages {
public:
    explicit ScopedParserMessages(ParserMessages& sink)
        : structured_(xmlStructuredError),
          structuredData_(xmlStructuredErrorContext),
          generic_(xmlGenericError),
          genericData_(xmlGenericErrorContext) {
        xmlSetStructuredErrorFunc(&sink, CollectStructured);
        xmlSetGenericErrorFunc(&sink, CollectGeneric);
    }
    ~ScopedParserMessages() {
        xmlSetStructuredErrorFunc(structuredData_, structured_);
        xmlSetGenericErrorFunc(genericData_, generic_);
    }
    ScopedParserMessages(const ScopedParserMessages&) = delete;
    ScopedParserMessages& operator=(const ScopedParserMessages&) = delete;

private:
    xmlStructuredErrorFunc structured_;
    void* structuredData_;
    xmlGenericErrorFunc generic_;
    void* genericData_;
};

}  // namespace

void InitXmlParser() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

XmlDocPtr ReadUntrustedXml(std::string_view bytes, std::string& problem, std::string* notes) {
    InitXmlParser();
    if (bytes.empty() || bytes.size() > INT_MAX) {
        problem = "empty or oversized document";
        return nullptr;
    }
    if (bytes.find("<!DOCTYPE") != std::string_view::npos) {
        problem = "document type declarations are not accepted";
        return nullptr;
    }
    ParserMessages messages;
    const ScopedParserMessages routed(messages);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (ctxt == nullptr) {
        problem = "out of memory";
        return nullptr;
    }
    // No XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE: entities stay
    // unexpanded and the parser's own size limits hold.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
    XmlDocPtr doc(xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
    if (!doc || ctxt->wellFormed == 0) {
        const xmlError* error = xmlCtxtGetLastError(ctxt);
        problem = "not well-formed XML";
        if (error != nullptr && error->message != nullptr) {
            ParserMessages last;
            last.Add(error->message);
            problem += " (line " + std::to_string(error->line) + ": " + last.Joined() + ")";
        } else if (!messages.lines.empty()) {
            problem += " (" + messages.Joined() + ")";
        }
        doc.reset();
    } else if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
        problem = "document type declarations are not accepted";
        doc.reset();
    }
    xmlFreeParserCtxt(ctxt);
    if (notes != nullptr) *notes = doc ? messages.Joined() : std::string();
    return doc;
}

std::string_view XmlNamespace(const xmlNode* node) {
    return node != nullptr && node->ns != nullptr ? View(node->ns->href) : std::string_view();
}

std::string_view XmlName(const xmlNode* node) { return node != nullptr ? View(node->name) : std::string_view(); }

bool IsXmlElement(const xmlNode* node, std::string_view ns, std::string_view name) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && XmlName(node) == name && XmlNamespace(node) == ns;
}

const xmlNode* XmlChild(const xmlNode* parent, std::string_view ns, std::string_view name) {
    if (parent == nullptr) return nullptr;
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next)
        if (IsXmlElement(child, ns, name)) return child;
    return nullptr;
}

const xmlNode* XmlFirstElement(const xmlNode* parent) {
    if (parent == nullptr) return nullptr;
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE) return child;
    return nullptr;
}

std::string XmlText(const xmlNode* node) {
    std::string text;
    if (node == nullptr) return text;
    for (const xmlNode* child = node->children; child != nullptr; child = child->next)
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) text += View(child->content);
    return text;
}

namespace {

// Calls take(item) for each blank-separated item of the text, in order.
template <typename Take>
void ForEachItem(std::string_view text, Take take) {
    constexpr std::string_view kBlanks = " \t\r\n";
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(kBlanks, pos)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(kBlanks, pos), text.size());
        take(text.substr(pos, end - pos));
        pos = end;
    }
}

}  // namespace

XmlItems XmlTextItems(const xmlNode* node) {
    XmlItems list;
    const std::string text = XmlText(node);
    ForEachItem(text, [&list](std::string_view item) {
        ++list.named;
        if (list.named > kMaxXmlListItems || item.size() > kMaxXmlItemBytes)
            ++list.dropped;
        else
            list.items.emplace_back(item);
    });
    return list;
}

XmlItems XmlQNameItems(const xmlNode* node) {
    XmlItems list;
    const std::string text = XmlText(node);
    ForEachItem(text, [&list, node](std::string_view qname) {
        ++list.named;
        if (list.named > kMaxXmlListItems || qname.size() > kMaxXmlItemBytes) {
            ++list.dropped;
            return;
        }
        const std::size_t colon = qname.find(':');
        const std::string prefix(colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon));
        const std::string_view local = colon == std::string_view::npos ? qname : qname.substr(colon + 1);
        const xmlNs* ns = xmlSearchNs(node->doc, const_cast<xmlNode*>(node),
                                      prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str()));
        if (ns == nullptr || ns->href == nullptr) {
            list.items.emplace_back(qname);
            return;
        }
        const std::string_view href = View(ns->href);
        if (href.size() + local.size() + 2 > kMaxXmlItemBytes) {
            ++list.dropped;
            return;
        }
        list.items.push_back("{" + std::string(href) + "}" + std::string(local));
    });
    return list;
}

std::vector<std::string> XmlTextList(const xmlNode* node) { return XmlTextItems(node).items; }

std::vector<std::string> XmlQNameList(const xmlNode* node) { return XmlQNameItems(node).items; }
