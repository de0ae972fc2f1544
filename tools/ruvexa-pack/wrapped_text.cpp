// WrappedText.
#include "wrapped_text.h"

#include <sstream>

namespace pack {

std::string WrappedText(const std::string& label, const std::string& text, size_t indent, size_t width) {
    std::string out = label;
    if (out.size() < indent) out.resize(indent, ' ');
    size_t column = out.size();
    bool lineEmpty = true;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (!lineEmpty && column + 1 + word.size() > width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineEmpty = false;
    }
    return out + "\n";
}

}  // namespace pack
