#pragma once

#include <array>

namespace migrate {

// Words to which the legacy translators give a meaning of their own: "-e all", and the keys and
// the comma that the --update-args value is searched for. A value that might be one of them is
// tried with each, to learn whether the translation depends on it.
constexpr std::array<const char*, 5> kProbeWords = {"all", "a,b", "--backup", "--user=u", "--password=p"};

}  // namespace migrate
