// Texts made safe for XML.
#pragma once

#include <string>
#include <string_view>

// `text` with "&", "<" and ">" written as references, and with `quotes` also '"' and "'",
// fit for quoted attribute values. A parser reads the result back as the text itself.
std::u16string EscapeXmlText(std::u16string_view text, bool quotes = true);
