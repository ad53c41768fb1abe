// Helpers of the stylesheet and export tests: parsing a transformed page with the HTML
// parser and collecting what the live updates and the taps of the page rely on.
#pragma once

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/Base.h"

namespace slateway::testing {

// A page as the HTML parser reads it.
struct ParsedPage {
  int errors = 0;                      // parser errors and warnings
  std::vector<std::string> problems;   // their messages and misplaced table parts
  std::set<std::string> ids;           // every id attribute
  std::vector<std::string> idList;     // the same in document order (duplicates kept)
  std::set<std::string> links;         // every link target
  std::vector<std::string> images;     // every picture source in document order
  std::string text;                    // the page text (not the style sheet), nodes joined by "|"
  std::vector<std::string> elementNames;  // lower-case names of every element
  int lineTables = 0;                  // tables of class "ln"
  // For each table row, the first link target inside each of its cells ("" for none).
  std::vector<std::vector<std::string>> rowLinks;
};

inline std::string FirstLink(xmlNode* node) {
  for (xmlNode* n = node; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    if (xmlStrEqual(n->name, BAD_CAST "a")) {
      xmlChar* href = xmlGetProp(n, BAD_CAST "href");
      std::string v = href ? reinterpret_cast<const char*>(href) : "";
      xmlFree(href);
      return v;
    }
    std::string inner = FirstLink(n->children);
    if (!inner.empty()) return inner;
  }
  return "";
}

inline void CollectPage(xmlNode* node, ParsedPage& page) {
  for (xmlNode* n = node; n; n = n->next) {
    if (n->type == XML_ELEMENT_NODE) {
      std::string name = reinterpret_cast<const char*>(n->name);
      page.elementNames.push_back(name);
      if (name == "style") continue;  // the style sheet's text is no page text
      if (name == "tr") {
        std::vector<std::string> cells;
        for (xmlNode* c = n->children; c; c = c->next)
          if (c->type == XML_ELEMENT_NODE) cells.push_back(FirstLink(c->children));
        page.rowLinks.push_back(cells);
      }
      std::string parent = n->parent && n->parent->name ? reinterpret_cast<const char*>(n->parent->name) : "";
      // Table parts stand only where tables allow them.
      if ((name == "td" || name == "th") && parent != "tr") page.problems.push_back(name + " inside " + parent);
      if (name == "tr" && parent != "table" && parent != "tbody") page.problems.push_back("tr inside " + parent);
      if (name == "table" && parent != "td" && parent != "body") page.problems.push_back("table inside " + parent);
      for (xmlAttr* a = n->properties; a; a = a->next) {
        std::string attr = reinterpret_cast<const char*>(a->name);
        xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNode*>(a));
        std::string v = value ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
        if (attr == "id") {
          page.ids.insert(v);
          page.idList.push_back(v);
        }
        if (attr == "href" && name == "a") page.links.insert(v);
        if (attr == "src" && name == "img") page.images.push_back(v);
        if (attr == "class" && name == "table" && v == "ln") ++page.lineTables;
      }
    } else if (n->type == XML_TEXT_NODE && n->content) {
      page.text += reinterpret_cast<const char*>(n->content);
      page.text += "|";
    }
    CollectPage(n->children, page);
  }
}

inline void CountParserError(void* context, xmlError* error) {
  auto* page = static_cast<ParsedPage*>(context);
  ++page->errors;
  page->problems.push_back(error && error->message ? error->message : "?");
}

inline ParsedPage ParsePage(const std::string& html) {
  ParsedPage page;
  xmlSetStructuredErrorFunc(&page, CountParserError);
  htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                  HTML_PARSE_NONET | HTML_PARSE_NOBLANKS);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (!doc) {
    ++page.errors;
    page.problems.push_back("no document");
    return page;
  }
  CollectPage(xmlDocGetRootElement(doc), page);
  xmlFreeDoc(doc);
  return page;
}

inline ParsedPage ParsePage(const std::u16string& html) { return ParsePage(platform::ToUtf8(html)); }

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A URI attribute value with its %XX escapes turned back into bytes.
inline std::string UnescapeUri(const std::string& uri) {
  std::string out;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size()) {
      out += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += uri[i];
    }
  }
  return out;
}

inline std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += p + "\n";
  return out;
}

}  // namespace slateway::testing
