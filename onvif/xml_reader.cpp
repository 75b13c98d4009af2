#include "onvif/xml_reader.h"

#include <libxml/parser.h>

#include <climits>
#include <mutex>

namespace {

std::string_view View(const xmlChar* text) {
    return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

}  // namespace

void InitXmlParser() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

XmlDocPtr ReadUntrustedXml(std::string_view bytes, std::string& problem) {
    InitXmlParser();
    if (bytes.empty() || bytes.size() > INT_MAX) {
        problem = "empty or oversized document";
        return nullptr;
    }
    if (bytes.find("<!DOCTYPE") != std::string_view::npos) {
        problem = "document type declarations are not accepted";
        return nullptr;
    }
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
            std::string message = error->message;
            while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
            problem += " (line " + std::to_string(error->line) + ": " + message + ")";
        }
        doc.reset();
    } else if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
        problem = "document type declarations are not accepted";
        doc.reset();
    }
    xmlFreeParserCtxt(ctxt);
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

std::vector<std::string> XmlTextList(const xmlNode* node) {
    const std::string text = XmlText(node);
    std::vector<std::string> items;
    std::size_t pos = 0;
    const char* blanks = " \t\r\n";
    while ((pos = text.find_first_not_of(blanks, pos)) != std::string::npos) {
        const std::size_t end = text.find_first_of(blanks, pos);
        items.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return items;
}

std::vector<std::string> XmlQNameList(const xmlNode* node) {
    std::vector<std::string> names;
    for (const std::string& qname : XmlTextList(node)) {
        const std::size_t colon = qname.find(':');
        const std::string prefix = colon == std::string::npos ? std::string() : qname.substr(0, colon);
        const std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
        const xmlNs* ns = xmlSearchNs(node->doc, const_cast<xmlNode*>(node),
                                      prefix.empty() ? nullptr : reinterpret_cast<const xmlChar*>(prefix.c_str()));
        names.push_back(ns != nullptr && ns->href != nullptr ? "{" + std::string(View(ns->href)) + "}" + local : qname);
    }
    return names;
}
