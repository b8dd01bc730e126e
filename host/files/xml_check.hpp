// A look at an XML part before orcus parses it.
#pragma once

#include <string_view>

namespace host {

// Fails on what orcus 0.17's parser mishandles instead of reporting: a text that breaks
// off inside markup (a tag, an attribute value, a comment, a CDATA section) or after its
// last markup, and an "&"
// that starts no reference ("&\">", "&#x50FFFF;"): on those it reads past the end of
// the text or aborts. Both are malformed XML. Also fails on a part cut short after a whole
// tag, which leaves elements open that orcus would quietly close. The messages name the
// text as `what` says ("its part content.xml", "the document").
void check_xml_part(std::string_view xml, std::string_view what);

}  // namespace host
