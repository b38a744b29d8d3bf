// Every line rerove_outlook writes to standard error goes through here.
#include <iostream>

#include "outlook/app/app.hpp"

namespace outlook::app {

void tell(std::string_view line) { std::cerr << line << '\n'; }

void complain(std::string_view text) { tell("rerove_outlook: " + std::string(text)); }

void warn(std::string_view text) { tell("rerove_outlook: warning: " + std::string(text)); }

void warn(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) warn(w);
}

}  // namespace outlook::app
