#pragma once

#include <string>
#include <string_view>

namespace qarvex {

// A web host in the one form rules and addresses are compared in: ASCII letters
// lower-cased, and an internationalised name in its ASCII form ("München.de" and
// "xn--mnchen-3ya.de" both give "xn--mnchen-3ya.de"), as the IDNA rules (UTS #46) map it.
// A text those rules refuse is only lower-cased.
std::string AsciiHostName(std::string_view host);

}  // namespace qarvex
