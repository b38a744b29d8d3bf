// errorprocess: the process-wide error state and the console.
//
// A failing operation raises its message (stored in errormessage, printed, and
// errorlevel set); callers test errorlevel after every call that can fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

namespace errorprocess {

// A text of exactly 255 characters: whatever is stored is cut or blank-padded.
class MessageText {
public:
    static constexpr std::size_t width = 255;

    MessageText() : text_(width, ' ') {}
    MessageText(std::string_view text) : text_(width, ' ') {
        assign(text);
    }  // NOLINT(google-explicit-constructor): any text converts, as to a fixed-length string
    MessageText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    MessageText& operator=(const std::string& text) {
        assign(text);
        return *this;
    }
    MessageText& operator=(const char* text) {
        assign(text);
        return *this;
    }

    void assign(std::string_view text);

    const std::string& str() const { return text_; }
    operator const std::string&() const { return text_; }  // NOLINT(google-explicit-constructor): passed where text is
    operator std::string_view() const { return text_; }    // NOLINT(google-explicit-constructor): passed where text is

    std::size_t size() const { return text_.size(); }
    std::size_t length() const { return text_.size(); }
    const char* c_str() const { return text_.c_str(); }
    const char* data() const { return text_.data(); }
    char operator[](std::size_t i) const { return text_[i]; }
    std::string substr(std::size_t pos = 0, std::size_t n = std::string::npos) const { return text_.substr(pos, n); }
    std::size_t find(std::string_view s, std::size_t pos = 0) const { return text_.find(s, pos); }
    std::size_t rfind(std::string_view s, std::size_t pos = std::string::npos) const { return text_.rfind(s, pos); }
    bool starts_with(std::string_view s) const { return text_.starts_with(s); }
    std::string::const_iterator begin() const { return text_.begin(); }
    std::string::const_iterator end() const { return text_.end(); }

    // The message without its padding.
    std::string_view trimmed() const;

    friend bool operator==(const MessageText& a, std::string_view b) { return a.text_ == b; }
    friend std::ostream& operator<<(std::ostream& os, const MessageText& m) { return os << m.text_; }

private:
    std::string text_;
};

// 0 while no failure is pending; 1 after a failure (9999 and -99 from the
// cancellation checks). Never cleared during a run.
inline std::int32_t errorlevel = 0;

// Whether a failure is pending: errorlevel != 0, the test this code base writes
// out; kept for the programs of the package that call it.
inline bool failed() { return errorlevel != 0; }

// The message last composed, always 255 characters.
inline MessageText errormessage;

// Kept for the programs of the package that carry it; nothing here uses it.
inline std::int32_t winhandle = 0;

// Writes one console line: a blank, the text, a line end, on standard output.
void consoleline(std::string_view text);

// While one is alive, console lines are collected in it instead of printed, and
// the error state is put back as it was when it ends: a program that reports in
// its own words calls the shared steps under one. Not shared between threads.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    // The lines collected so far, each as consoleline would print it.
    const std::string& text() const { return text_; }
    void append(std::string_view line) { text_.append(line); }

private:
    std::string text_;
    ConsoleCapture* outer_;
    std::int32_t level_;
    MessageText message_;
};

// Prints errormessage, without its trailing blanks, as a console line.
void passmsg();

// Composes errormessage from message (trailing blanks removed, at most 250
// characters), echoes it to the file open on unit when unit > 0, and prints it.
// With flag false the prefix (trailing blanks removed) is put in front.
void writeerrormessage(std::string_view message, std::string_view prefix, std::int32_t unit, bool flag);

// The three ways a failure moves: raiseerror where it happens, raiseerrorin
// where it happens inside a routine that names itself in the traceback, and
// traceback where a failure raised below is passed on.

// Raises a failure: stores the message, prints it and sets errorlevel to level
// (1 for a failure; the cancellation checks use their own levels).
void raiseerror(std::string_view message, std::int32_t level = 1);

// Raises a failure told in several lines: stores and prints each in turn, then
// sets errorlevel to 1.
void raiseerror(std::initializer_list<std::string_view> messages);

// Raises a failure inside the routine label: the messages as raiseerror, then
// the traceback line of label.
void raiseerrorin(std::string_view label, std::initializer_list<std::string_view> messages);

// Stores and prints a warning without touching errorlevel.
void warn(std::string_view message);

// Passes a failure raised below on: prints the traceback line
// "[traceback] : " + label + "..."; errorlevel stays as it is.
void traceback(std::string_view label);

}  // namespace errorprocess
