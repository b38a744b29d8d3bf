// The XML reader: tokens of a document held whole, by the rules of XML.
#include <algorithm>
#include <array>
#include <cstring>

#include "outlook/xml/xml.hpp"

namespace outlook {
namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The characters that end a name: blanks, '/', '>' and '='.
constexpr std::array<bool, 256> nameends = [] {
    std::array<bool, 256> ends{};
    for (const unsigned char c : std::string_view(" \t\r\n/>=")) ends[c] = true;
    return ends;
}();

// What needs decoding in a value: a reference, a '<' (refused), and in an
// attribute the blanks that are read as spaces.
bool needsdecoding(char c, bool inattribute) {
    return c == '&' || c == '<' || (inattribute && (c == '\t' || c == '\r' || c == '\n'));
}

// The text of a character reference's code point, UTF-8.
void appendutf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A bit of a document for a message: at most 40 bytes, each byte that is not
// printable written \xNN, so that the message stays one line of plain text.
std::string quoted(std::string_view text) {
    constexpr std::size_t most = 40;
    std::string out;
    for (const char c : text.substr(0, most)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            constexpr std::string_view hexdigits = "0123456789ABCDEF";
            ((out += "\\x") += hexdigits[u >> 4]) += hexdigits[u & 0xF];
        }
    }
    return text.size() > most ? out + "..." : out;
}

// A byte no name holds: a control byte, or markup's own ('<', '&', the quotes).
bool notinname(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F || c == '<' || c == '&' || c == '"' || c == '\'';
}

// The code point of a character reference's digits, decimal or (hex) hexadecimal,
// when it is a character XML allows: 0 otherwise.
unsigned long codepoint(std::string_view digits, bool hex) {
    unsigned long code = 0;
    for (const char c : digits) {
        const int d = c >= '0' && c <= '9'          ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
        if (d < 0 || code > 0x10FFFF) return 0;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(d);
    }
    const bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
    return digits.empty() || !allowed ? 0 : code;
}

std::string_view localname(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

}  // namespace

xmlreader::xmlreader(std::string_view document, std::string name) : doc_(document), file_(std::move(name)) {
    if (doc_.starts_with("\xEF\xBB\xBF")) pos_ = 3;  // a byte-order mark
}

xmlreader::xmlreader(std::string_view document, std::string name, std::size_t from, std::string_view root)
    : doc_(document), file_(std::move(name)), pos_(from), open_{root}, rooted_(true) {}

void xmlreader::fail(std::string_view what) const {
    throw readerror(file_ + ": not XML (" + std::string(what) + " at byte " + std::to_string(pos_) + ")");
}

std::string_view xmlreader::decoded(std::string_view raw, bool inattribute, std::string& into) const {
    if (std::none_of(raw.begin(), raw.end(), [&](char c) { return needsdecoding(c, inattribute); })) return raw;
    into.clear();
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const char c = raw[k];
        if (c == '<') fail("a '<' in a value");
        if (c != '&') {
            into += inattribute && blank(c) ? ' ' : c;
            continue;
        }
        const std::size_t semicolon = raw.find(';', k);
        if (semicolon == std::string_view::npos) fail("an '&' that starts no reference");
        const std::string_view ref = raw.substr(k + 1, semicolon - k - 1);
        static constexpr std::array<std::pair<std::string_view, char>, 5> named = {
            {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}}};
        const auto known = std::find_if(named.begin(), named.end(), [&](const auto& n) { return n.first == ref; });
        if (known != named.end()) {
            into += known->second;
        } else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const unsigned long code = codepoint(ref.substr(hex ? 2 : 1), hex);
            if (code == 0) fail("a bad character reference");
            appendutf8(into, code);
        } else {
            fail("the unknown entity &" + quoted(ref) + ";");
        }
        k = semicolon;
    }
    return into;
}

std::string_view xmlreader::readname() {
    const std::size_t from = pos_;
    while (pos_ < doc_.size() && !nameends[static_cast<unsigned char>(doc_[pos_])]) ++pos_;
    const std::string_view name = doc_.substr(from, pos_ - from);
    const char first = name.empty() ? '0' : name.front();
    if ((first >= '0' && first <= '9') || first == '-' || first == '.' || name.back() == ':' ||
        std::any_of(name.begin(), name.end(), notinname))
        fail("a tag without a name");
    return name;
}

bool xmlreader::readattributes() {
    attributes_.clear();
    decodedvalues_.clear();
    for (;;) {
        const std::size_t before = pos_;
        while (pos_ < doc_.size() && blank(doc_[pos_])) ++pos_;
        if (pos_ >= doc_.size()) fail("the document ends inside a tag");
        if (doc_[pos_] == '>') return ++pos_, false;
        if (doc_[pos_] == '/') {
            if (pos_ + 1 >= doc_.size() || doc_[pos_ + 1] != '>') fail("a '/' inside a tag");
            return pos_ += 2, true;
        }
        if (pos_ == before) fail("an attribute without a blank before it");
        const std::string_view name = readname();
        while (pos_ < doc_.size() && blank(doc_[pos_])) ++pos_;
        if (pos_ >= doc_.size() || doc_[pos_] != '=') fail("an attribute without '='");
        ++pos_;
        while (pos_ < doc_.size() && blank(doc_[pos_])) ++pos_;
        const char quote = pos_ < doc_.size() ? doc_[pos_] : '\0';
        if (quote != '"' && quote != '\'') fail("an attribute value without its quotes");
        std::size_t end = pos_ + 1;
        bool plain = true;  // found in the one pass that finds its end: values are short
        for (; end < doc_.size() && doc_[end] != quote; ++end) plain = plain && !needsdecoding(doc_[end], true);
        if (end >= doc_.size()) fail("an attribute value without its end quote");
        std::string_view value = doc_.substr(pos_ + 1, end - pos_ - 1);
        if (!plain) {
            std::string decoding;
            value = decodedvalues_.emplace_back(std::string(decoded(value, true, decoding)));
        }
        pos_ = end + 1;
        for (const attribute_& a : attributes_) {
            if (a.name == name) fail("the attribute " + quoted(name) + " twice");
        }
        attributes_.push_back({name, value});
    }
}

std::optional<std::string_view> xmlreader::attribute(std::string_view name) const {
    for (const attribute_& a : attributes_) {
        if (a.name == name) return a.value;
    }
    return std::nullopt;
}

// A start or end tag, after its '<'.
xmlreader::token xmlreader::tag() {
    if (doc_[pos_] == '/') {
        ++pos_;
        const std::string_view name = readname();
        while (pos_ < doc_.size() && blank(doc_[pos_])) ++pos_;
        if (pos_ >= doc_.size() || doc_[pos_] != '>') fail("an end tag without its '>'");
        if (open_.empty() || open_.back() != name) fail("</" + quoted(name) + "> that closes no open element");
        ++pos_;
        open_.pop_back();
        name_ = localname(name);
        return token::end;
    }
    if (open_.empty() && rooted_) fail("a second root element");
    rooted_ = true;
    const std::string_view name = readname();
    selfclosed_ = readattributes();
    open_.push_back(name);
    name_ = localname(name);
    return token::start;
}

// What starts with "<!" or "<?": comments and processing instructions passed
// over (token::done for them), a CDATA section as text.
xmlreader::token xmlreader::markup() {
    const auto passover = [&](std::string_view end, std::string_view what) {
        const std::size_t at = doc_.find(end, pos_);
        if (at == std::string_view::npos) fail(what);
        const std::size_t from = pos_;
        pos_ = at + end.size();
        return doc_.substr(from, at - from);
    };
    if (doc_.substr(pos_).starts_with("<!--")) {
        (void)passover("-->", "a comment without its end");
    } else if (doc_.substr(pos_).starts_with("<![CDATA[")) {
        if (open_.empty()) fail("a CDATA section outside the root element");
        pos_ += 9;
        text_ = passover("]]>", "a CDATA section without its end");
        if (!text_.empty()) return token::text;
    } else if (doc_.substr(pos_).starts_with("<?")) {
        (void)passover("?>", "a processing instruction without its end");
    } else {
        fail("a DOCTYPE or a declaration, which is not read");
    }
    return token::done;
}

xmlreader::token xmlreader::next() {
    if (selfclosed_) {
        selfclosed_ = false;
        name_ = localname(open_.back());
        open_.pop_back();
        return token::end;
    }
    while (pos_ < doc_.size()) {
        if (doc_[pos_] == '<') {
            if (pos_ + 1 >= doc_.size()) fail("a '<' at the end");
            const char c = doc_[pos_ + 1];
            if (c != '!' && c != '?') return ++pos_, tag();
            if (markup() == token::text) return token::text;
            continue;
        }
        std::size_t end = pos_;
        while (end < doc_.size() && blank(doc_[end])) ++end;  // mostly the blanks between elements
        if (end < doc_.size() && doc_[end] != '<') end = std::min(doc_.find('<', end), doc_.size());
        const std::string_view raw = doc_.substr(pos_, end - pos_);
        if (std::all_of(raw.begin(), raw.end(), blank)) {
            pos_ = end;
            continue;
        }
        if (open_.empty()) fail("text outside the root element");
        text_ = decoded(raw, false, textbuffer_);
        pos_ = end;
        return token::text;
    }
    if (!open_.empty()) fail("the document ends inside <" + quoted(open_.back()) + ">");
    if (!rooted_) fail("no element");
    return token::done;
}

std::string xmlreader::content() {
    std::string out;
    const std::size_t depth = open_.size();
    for (token t = next(); t != token::end || open_.size() >= depth; t = next()) {
        if (t == token::text && open_.size() == depth) out += text_;
        if (t == token::start) skip();
    }
    const std::size_t from = out.find_first_not_of(" \t\r\n");
    return from == std::string::npos ? std::string() : out.substr(from, out.find_last_not_of(" \t\r\n") - from + 1);
}

void xmlreader::skip() {
    const std::size_t depth = open_.size();
    for (token t = next(); t != token::end || open_.size() >= depth; t = next()) {
        if (t == token::done) fail("the document ends inside an element");
    }
}

}  // namespace outlook
