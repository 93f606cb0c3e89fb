#include "http/header_value.h"

Text headerSafeValue(const Text& value) {
    if (value.find_first_of("\r\n") == Text::npos)
        return value;
    Text safe;
    safe.reserve(value.size() + 8);
    for (char c : value) {
        if (c == '\r')
            safe += "%0D";
        else if (c == '\n')
            safe += "%0A";
        else
            safe += c;
    }
    return safe;
}
