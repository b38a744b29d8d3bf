// outlook xml: a reader of XML documents, a token at a time, for the PI documents
// a forecasting system hands in (time series, run files). It holds no tree: a
// document of 800 MB reads in a little more than its own size.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/model/model.hpp"

namespace outlook {

// A reader of an XML document held whole, a token at a time, by the document's
// own rules: comments and processing instructions passed over, CDATA sections
// read as text, entity and character references decoded, each end tag matched to
// its start, one root element; a DOCTYPE is refused. Text of blanks alone between
// elements is passed over. readerror "FILE: not XML (what at byte N)" otherwise.
class xmlreader {
public:
    enum class token { start, end, text, done };
    xmlreader(std::string_view document, std::string name);
    // A reader of the document from byte `from` on, as inside the root element
    // of that name (as written): for reading the rest of a document ahead of a
    // reader that has yet to reach that byte.
    xmlreader(std::string_view document, std::string name, std::size_t from, std::string_view root);
    token next();
    // The byte where the next token, or the blanks before it, starts.
    [[nodiscard]] std::size_t position() const { return pos_; }
    // The root element's name as written, while it is open.
    [[nodiscard]] std::string_view root() const { return open_.front(); }
    // The element's name without its namespace prefix (start and end tokens); a
    // start tag that closes itself is followed by its end token.
    [[nodiscard]] std::string_view name() const { return name_; }
    // An attribute of the start tag just read, decoded; nullopt without one of
    // that name.
    [[nodiscard]] std::optional<std::string_view> attribute(std::string_view name) const;
    [[nodiscard]] std::string_view text() const { return text_; }
    // After a start token: the element's own text, without the blanks around it,
    // up to its end tag; child elements are passed over.
    std::string content();
    // After a start token: everything up to the element's end tag passed over.
    void skip();

private:
    struct attribute_ {
        std::string_view name, value;
    };
    [[noreturn]] void fail(std::string_view what) const;
    std::string_view readname();
    bool readattributes();  // true for a tag that closes itself
    token tag();
    token markup();
    std::string_view decoded(std::string_view raw, bool inattribute, std::string& into) const;

    std::string_view doc_;
    std::string file_;
    std::size_t pos_ = 0;
    std::string_view name_, text_;
    std::string textbuffer_;
    std::vector<attribute_> attributes_;
    std::deque<std::string> decodedvalues_;  // of the tag's attributes that needed it; they stay put
    std::vector<std::string_view> open_;
    bool selfclosed_ = false;
    bool rooted_ = false;
};

}  // namespace outlook
