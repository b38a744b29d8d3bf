#include "errorprocess/errorprocess.hpp"

#include <algorithm>
#include <cstdio>

#include "iolayer/iolayer.hpp"

namespace errorprocess {

void MessageText::assign(std::string_view text) {
    const std::size_t n = std::min(width, text.size());
    std::string next(text.substr(0, n));
    next.resize(width, ' ');
    text_.swap(next);
}

std::string_view MessageText::trimmed() const { return iolayer::trimright(text_); }

namespace {
ConsoleCapture* capture = nullptr;  // the innermost alive, if any
}  // namespace

ConsoleCapture::ConsoleCapture() : outer_(capture), level_(errorlevel), message_(errormessage) { capture = this; }

ConsoleCapture::~ConsoleCapture() {
    capture = outer_;
    errorlevel = level_;
    errormessage = message_;
}

void consoleline(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    line.push_back(' ');
    line.append(text);
    line.push_back('\n');
    if (capture != nullptr) {
        capture->append(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void passmsg() { consoleline(errormessage.trimmed()); }

void writeerrormessage(std::string_view message, std::string_view prefix, std::int32_t unit, bool flag) {
    const std::string_view text = iolayer::trimright(message).substr(0, 250);
    if (unit > 0) {
        std::string echo(" ");
        echo.append(text);
        (void)iolayer::writeline(unit, echo);  // an echo only: the message still reaches the console
    }
    if (flag) {
        errormessage = text;
    } else {
        std::string joined(iolayer::trimright(prefix));
        joined.append(text);
        errormessage = joined;
    }
    passmsg();
}

void raiseerror(std::string_view message, std::int32_t level) {
    errormessage = message;
    passmsg();
    errorlevel = level;
}

void raiseerror(std::initializer_list<std::string_view> messages) {
    for (const std::string_view m : messages) {
        errormessage = m;
        passmsg();
    }
    errorlevel = 1;
}

void raiseerrorin(std::string_view label, std::initializer_list<std::string_view> messages) {
    raiseerror(messages);
    traceback(label);
}

void warn(std::string_view message) {
    errormessage = message;
    passmsg();
}

void traceback(std::string_view label) {
    std::string line("[traceback] : ");
    line.append(label);
    line.append("...");
    errormessage = line;
    passmsg();
}

}  // namespace errorprocess
