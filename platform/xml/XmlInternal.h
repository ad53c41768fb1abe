// Internal to xml/: the library document behind the DOM's node handles, the libraries'
// set-up (XmlLibraries.cpp), and the small helpers the DOM (XmlDom.cpp) and the XSL
// transformation (XslTransform.cpp) share.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>

#include "platform/base/Base.h"

namespace platform::xml {

// One parsed (or new) library document and every node that was made for it or cut from
// it. Nodes outside the tree are freed with the state, so a handle never outlives its node.
struct DocState {
  xmlDocPtr doc = nullptr;
  std::unordered_set<xmlNodePtr> detached;

  explicit DocState(xmlDocPtr d) : doc(d) {}
  ~DocState() {
    // Collect the tops first: freeing one top frees the detached nodes below it.
    std::vector<xmlNodePtr> tops;
    for (xmlNodePtr n : detached)
      if (n->parent == nullptr) tops.push_back(n);
    for (xmlNodePtr n : tops) {
      if (n->type == XML_ATTRIBUTE_NODE)
        xmlFreeProp(reinterpret_cast<xmlAttrPtr>(n));
      else
        xmlFreeNode(n);
    }
    xmlFreeDoc(doc);
  }
  DocState(const DocState&) = delete;
  DocState& operator=(const DocState&) = delete;
};

// ---- The libraries' set-up (XmlLibraries.cpp) ---------------------------------------------

// Sets the libraries up once, so that nothing outside the program's own bytes is ever read,
// and keeps their error output quiet on the calling thread.
void EnsureLibraries();
// The security preferences every transformation runs under; a refused access sets
// t_securityRefused on its thread.
extern xsltSecurityPrefsPtr g_securityPrefs;
extern thread_local bool t_securityRefused;
// The error hooks that write nothing.
void Silent(void*, const char*, ...);
void SilentStructured(void*, xmlErrorPtr);

// ---- Small helpers ------------------------------------------------------------------------

inline const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

inline std::u16string FromXml(const xmlChar* text) {
  return text ? ToUtf16(reinterpret_cast<const char*>(text)) : std::u16string();
}

// Descendant elements in document order, without recursion (a built tree may be deep).
template <typename Visit>
void ForEachDescendant(xmlNodePtr top, Visit visit) {
  xmlNodePtr n = top->children;
  while (n != nullptr) {
    if (n->type == XML_ELEMENT_NODE) visit(n);
    if (n->type == XML_ELEMENT_NODE && n->children != nullptr) {
      n = n->children;
      continue;
    }
    while (n != nullptr && n != top && n->next == nullptr) n = n->parent;
    if (n == nullptr || n == top) break;
    n = n->next;
  }
}

inline std::u16string TrimLine(std::u16string text) {
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
  return text;
}

}  // namespace platform::xml
