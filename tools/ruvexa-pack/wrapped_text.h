// Paragraphs for a terminal: the explanations of explain and log are long
// sentences, printed wrapped under a label.
#pragma once

#include <string>

namespace pack {

// `text` broken at blanks into lines of at most `width` characters (a word
// longer than that stands alone), the first line after `label` padded to
// `indent`, the others indented by `indent`; each line ends with "\n".
std::string WrappedText(const std::string& label, const std::string& text, size_t indent, size_t width = 79);

}  // namespace pack
