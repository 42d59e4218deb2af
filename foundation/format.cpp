#include "foundation/format.h"

#include <sstream>

void FormatToStream(std::ostream& stream, const char* format, const FormatObject* a1,
                    const FormatObject* a2, const FormatObject* a3)
{
    const FormatObject* slots[10] = {nullptr, a1, a2, a3};
    if (!format) {
        stream << "<NULL FORMAT>";
        return;
    }
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            stream << *p;
            continue;
        }
        char next = p[1];
        if (next == '\0') {
            stream << '%';
            return;
        }
        ++p;
        if (next >= '0' && next <= '9') {
            const FormatObject* argument = slots[next - '0'];
            if (argument)
                argument->Write(stream);
            else
                stream << "<MISSING PARAM>";
        } else if (next == '%') {
            stream << '%';
        } else {
            stream << "<INVALID PARAM>";
        }
    }
}

std::string& Format(std::string& result, const char* format, const FormatObject* a1,
                    const FormatObject* a2, const FormatObject* a3)
{
    std::ostringstream stream;
    FormatToStream(stream, format, a1, a2, a3);
    result = stream.str();
    return result;
}

std::string& FormatUnsigned(std::string& result, const char* format, const unsigned int& value)
{
    TFormatObject<unsigned int> argument(value);
    return Format(result, format, &argument, nullptr, nullptr);
}
