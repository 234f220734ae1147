#pragma once
// Helpers for the XML documents of projects and themes: reading a file through the directory tree, including one
// file in another, writing a node's position for messages, and reading attribute values.
//
// Thread contract: GUI thread; the trees are not shared.
#include <memory>

#include <wx/string.h>
#include <wx/xml/xml.h>

class CDir;

// The attribute that records, on the root of every loaded file, the path it came from (for messages only).
extern const char* const kFilePathAttribute;

// Reads `name` from `dir` as a UTF-8 document; the root element, or null when the file is missing, not
// well-formed (the reader logs the parse error) or has no root.
std::unique_ptr<wxXmlNode> LoadXmlFile(const CDir& dir, const wxString& name);

// Reads the file `path` (relative to `dir`) and inserts its root into `parent` right after `include`, handing on
// the include element's attributes other than `name`. A directory part of `path` moves `dir` there, for this file
// and for everything later resolved through the same handle. False when the file cannot be read, or when it
// is already being included further up (a loop).
bool Include(CDir& dir, const wxString& path, wxXmlNode* parent, wxXmlNode* include);

// Replaces every `file` element below `element` by the root of the file it names, recursively. Stops at the first
// include that fails, reports "Can not load file '<name>' at <location>" and returns false.
bool ExpandIncludes(wxXmlNode* element, CDir dir);

// "<file path>-><root>->...-><node>": the nearest recorded file path, then element names down to the node.
wxString NodeLocation(const wxXmlNode* node);

// The attribute's value on the node or, with `inherit`, on its nearest ancestor that has it; else `fallback`.
wxString GetInheritedAttribute(const wxXmlNode* node, const wxString& name, const wxString& fallback, bool inherit);

// The first child element named exactly `name`, or null.
wxXmlNode* FindChildElement(const wxXmlNode* node, const wxString& name);

// Sets every attribute of `source` on `target`, replacing one of the same name.
void MergeAttributes(const wxXmlNode* source, wxXmlNode* target);

// A plain decimal integer (leading blanks and a sign allowed, nothing after the digits, 32-bit range); otherwise
// the error "value <text> can not be computed" and `fallback`.
int AttributeToInt(const wxString& text, int fallback);
