// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads an XML document from bytes a LAN host sent: no network, no DTD, no
// entities, no size beyond the datagram. Elements are matched by namespace
// URI and local name, never by prefix.

#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// Initialises libxml2 once; call before threads parse (ReadUntrustedXml
// calls it too).
void InitXmlParser();

// The parsed document, or null with a one-line reason in `problem`. A
// document with a document type declaration is refused: a SOAP message has
// none, and only a DTD can declare the entities of an expansion bomb.
// libxml2's own messages never reach stderr: those of a document that parsed
// all the same go to `notes` (one line, empty when there were none).
XmlDocPtr ReadUntrustedXml(std::string_view bytes, std::string& problem, std::string* notes = nullptr);

// Whether the node is an element with this namespace URI and local name.
bool IsXmlElement(const xmlNode* node, std::string_view ns, std::string_view name);
// The namespace URI of an element; empty when it has none.
std::string_view XmlNamespace(const xmlNode* node);
std::string_view XmlName(const xmlNode* node);
// The first child element with this namespace and local name, or null.
const xmlNode* XmlChild(const xmlNode* parent, std::string_view ns, std::string_view name);
// The first child element, whatever its name, or null.
const xmlNode* XmlFirstElement(const xmlNode* parent);
// The element's own text and CDATA children, joined (no entity is followed).
std::string XmlText(const xmlNode* node);

// A list from a LAN host is kept within bounds: a few dozen short items are
// all a real answer holds, while one datagram can name thousands, each
// expanding to a long namespace.
inline constexpr std::size_t kMaxXmlListItems = 64;
inline constexpr std::size_t kMaxXmlItemBytes = 1024;

struct XmlItems {
    std::vector<std::string> items;
    std::size_t named = 0;    // items in the text, kept or not
    std::size_t dropped = 0;  // past the first kMaxXmlListItems, or longer than kMaxXmlItemBytes
};

// The blank-separated items of the element's text, within the bounds.
XmlItems XmlTextItems(const xmlNode* node);
// The element's text as a list of QNames, each with its prefix resolved in
// the element's scope: "{namespace}Local"; an unresolved QName stays as sent.
// A name too long to keep is dropped before it is built.
XmlItems XmlQNameItems(const xmlNode* node);
std::vector<std::string> XmlTextList(const xmlNode* node);
std::vector<std::string> XmlQNameList(const xmlNode* node);
