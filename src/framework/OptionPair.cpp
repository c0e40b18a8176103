#include "framework/OptionPair.h"

OptionPair::OptionPair(const char* firstName, const char* secondName)
    : firstName(firstName), secondName(secondName) {}
