// The companion's XML reader (outlook::xmlreader) on any bytes as a document.
//
// Checked: the tokens end in done or in a readerror "doc: not XML (... at byte N)"
// with N within the document, never another exception, and are no more than the
// document's bytes; start and end tokens balance under one root, each end with
// its start's name; no name is empty; a text is not empty and lies inside the
// root. Walked again with content() or skip() at some of its start tags, the
// document gives the same tokens and the same failure, content() the element's
// own texts without the blanks around them. A document that reads, written again
// from its tokens and the attributes of the names below, plainly and in XML's
// other forms (prefixes, references, CDATA sections, comments, processing
// instructions, single quotes, blanks in tags, a byte-order mark), reads to the
// same tokens and attributes, adjacent texts taken together and texts of blanks
// alone left out. Nothing is printed.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzzsupport.hpp"
#include "outlook/xml/xml.hpp"

namespace {

using fuzzsupport::fault;
using fuzzsupport::require;
using token = outlook::xmlreader::token;

constexpr std::string_view docname = "doc";
constexpr std::size_t unclosed = std::numeric_limits<std::size_t>::max();
// The attributes asked of every start tag: those of the PI documents and a few
// short ones.
constexpr std::array<std::string_view, 14> probed = {
    "date", "time", "value", "unit", "multiplier", "divider", "key", "version", "xmlns", "id", "a", "b", "x", "y"};

struct item {
    token kind = token::done;
    std::string name;                                             // of a start or end
    std::string text;                                             // of a text
    std::vector<std::pair<std::size_t, std::string>> attributes;  // of a start: index in probed, value
    std::size_t end = unclosed;                                   // of a start: the index of its end
    bool operator==(const item& o) const {
        return kind == o.kind && name == o.name && text == o.text && attributes == o.attributes;
    }
};

struct reading {
    std::vector<item> items;  // up to done or the failure
    std::optional<std::string> failure;
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

item itemof(const outlook::xmlreader& x, token t) {
    item i;
    i.kind = t;
    if (t == token::text) {
        i.text = x.text();
        return i;
    }
    i.name = x.name();
    if (t != token::start) return i;
    for (std::size_t k = 0; k < probed.size(); ++k) {
        if (const std::optional<std::string_view> v = x.attribute(probed[k])) i.attributes.emplace_back(k, *v);
    }
    return i;
}

void requirewhere(std::string_view message, std::size_t size) {
    const std::string_view lead = "doc: not XML (";
    const std::string_view at = " at byte ";
    const std::size_t where = message.rfind(at);
    require(message.starts_with(lead) && message.ends_with(")") && where != std::string_view::npos,
            "a failure that does not say where", message);
    const std::string_view digits = message.substr(where + at.size(), message.size() - where - at.size() - 1);
    std::size_t byte = 0;
    for (const char c : digits) {
        require(c >= '0' && c <= '9' && byte <= size, "a failure at no byte of the document", message);
        byte = byte * 10 + static_cast<std::size_t>(c - '0');
    }
    require(!digits.empty() && byte <= size, "a failure past the document's end", message);
}

// The token just read against those before it: balanced under one root.
void balance(std::vector<item>& items, std::vector<std::size_t>& open) {
    item& i = items.back();
    const std::size_t index = items.size() - 1;
    if (i.kind == token::start) {
        require(!i.name.empty(), "a start tag without a name");
        require(!open.empty() || index == 0, "a second root element");
        open.push_back(index);
    } else if (i.kind == token::end) {
        require(!open.empty() && items[open.back()].name == i.name, "an end that is not its start's", i.name);
        items[open.back()].end = index;
        open.pop_back();
    } else {
        require(!i.text.empty(), "an empty text");
        require(!open.empty(), "a text outside the root");
    }
}

reading readall(std::string_view doc) {
    reading r;
    outlook::xmlreader x(doc, std::string(docname));
    std::vector<std::size_t> open;
    try {
        for (token t = x.next(); t != token::done; t = x.next()) {
            require(r.items.size() < doc.size(), "more tokens than bytes");
            r.items.push_back(itemof(x, t));
            balance(r.items, open);
        }
        require(open.empty() && !r.items.empty(), "done inside an element or without one");
    } catch (const outlook::readerror& e) {
        requirewhere(e.what(), doc.size());
        r.failure = e.what();
    } catch (const std::exception& e) {
        fault("an exception other than a readerror", e.what());
    }
    return r;
}

// What content() gives after the start at k: its own texts, without the blanks
// around them.
std::string contentof(const reading& r, std::size_t k) {
    std::string out;
    int depth = 0;
    for (std::size_t j = k + 1; j < r.items[k].end; ++j) {
        const item& i = r.items[j];
        if (i.kind == token::start) ++depth;
        if (i.kind == token::end) --depth;
        if (i.kind == token::text && depth == 0) out += i.text;
    }
    const std::size_t from = out.find_first_not_of(" \t\r\n");
    if (from == std::string::npos) return {};
    return out.substr(from, out.find_last_not_of(" \t\r\n") - from + 1);
}

// The document again, content() at every third start and skip() at the one after.
void walk(std::string_view doc, const reading& r) {
    outlook::xmlreader x(doc, std::string(docname));
    std::size_t k = 0;
    try {
        for (token t = x.next(); t != token::done; t = x.next()) {
            require(k < r.items.size() && itemof(x, t) == r.items[k], "a second walk gives other tokens");
            if (t != token::start || k % 3 == 0) {
                ++k;
                continue;
            }
            if (k % 3 == 1) {
                const std::string content = x.content();
                require(r.items[k].end == unclosed || content == contentof(r, k), "content() is not the texts",
                        content);
            } else {
                x.skip();
            }
            require(r.items[k].end != unclosed, "content() or skip() read past a failure");
            k = r.items[k].end + 1;
        }
        require(!r.failure && k == r.items.size(), "a second walk ends otherwise");
    } catch (const outlook::readerror& e) {
        require(r.failure == e.what(), "a second walk fails otherwise", e.what());
    }
}

// The tokens as another document gives them back: adjacent texts together, texts
// of blanks alone left out.
std::vector<item> normalised(const std::vector<item>& items) {
    std::vector<item> out;
    for (const item& i : items) {
        if (i.kind == token::text && !out.empty() && out.back().kind == token::text) {
            out.back().text += i.text;
            continue;
        }
        if (!out.empty() && out.back().kind == token::text &&
            std::all_of(out.back().text.begin(), out.back().text.end(), blank))
            out.pop_back();
        out.push_back(i);
        out.back().end = unclosed;
    }
    return out;
}

std::string reference(unsigned char c, bool hex) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    std::string out = hex ? "&#x" : "&#";
    const unsigned base = hex ? 16 : 10;
    std::string number;
    for (unsigned v = c; v > 0 || number.empty(); v /= base) number.insert(number.begin(), digits[v % base]);
    return out + number + ";";
}

// A text or an attribute value: '&' and '<' and the quote as references, blanks
// of a value as character references; in the other forms every other ASCII
// character as a character reference, the rest of a text in CDATA sections and
// blanks of a text as character references.
std::string escaped(std::string_view v, bool value, bool forms) {
    std::string out;
    for (std::size_t k = 0; k < v.size(); ++k) {
        const auto c = static_cast<unsigned char>(v[k]);
        const bool ascii = c >= 0x20 && c < 0x7F;
        if (c == '&' || c == '<' || (c == '>' && !value) || (c == '"' && value && !forms) ||
            (c == '\'' && value && forms) || (blank(v[k]) && (value || forms) && (c != ' ' || forms)) ||
            (forms && ascii && k % 2 == 0)) {
            out += reference(c, k % 4 == 0);
        } else if (forms && !value && ascii && c != ']' && c != '>') {
            ((out += "<![CDATA[") += v[k]) += "]]>";
        } else {
            out += v[k];
        }
    }
    return out;
}

std::string starttag(const item& i, bool forms, bool empty) {
    std::string out = forms ? "<q:" : "<p:";
    out += i.name;
    for (const auto& [k, v] : i.attributes) {
        ((out += forms ? "\n\t" : " ") += probed[k]) += forms ? " = '" : "=\"";
        (out += escaped(v, true, forms)) += forms ? '\'' : '"';
    }
    return (out += forms ? " " : "") += empty ? "/>" : ">";
}

std::string written(const std::vector<item>& items, bool forms) {
    std::string out = forms ? "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- written again -->\n" : "";
    for (std::size_t k = 0; k < items.size(); ++k) {
        const item& i = items[k];
        if (forms && k > 0) out += k % 2 == 0 ? "<!-- - -->" : "<?pi <a>?>";
        if (i.kind == token::text) {
            out += escaped(i.text, false, forms);
        } else if (i.kind == token::end) {
            ((out += forms ? "</q:" : "</p:") += i.name) += forms ? " >" : ">";
        } else if (forms && k + 1 < items.size() && items[k + 1].kind == token::end) {
            out += starttag(i, true, true);
            ++k;
        } else {
            out += starttag(i, forms, false);
        }
    }
    return out + (forms ? "\n<!-- end -->\n" : "");
}

void roundtrip(const reading& r) {
    const std::vector<item> tokens = normalised(r.items);
    for (const bool forms : {false, true}) {
        const std::string again = written(tokens, forms);
        const reading back = readall(again);
        require(!back.failure, "a document written again does not read", back.failure.value_or("") + "\n" + again);
        require(normalised(back.items) == tokens, "a document written again reads otherwise", again);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    const std::string_view doc(reinterpret_cast<const char*>(data), size);
    const reading r = readall(doc);
    walk(doc, r);
    if (!r.failure) roundtrip(r);
    require(console.take().empty(), "the reader printed");
    return 0;
}
