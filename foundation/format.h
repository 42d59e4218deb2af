// Texts with numbered placeholders "%1" to "%3". Malformed formats never
// fail; they show marker texts where an expansion is missing.
#pragma once

#include <ostream>
#include <string>

class FormatObject
{
public:
    virtual void Write(std::ostream& stream) const = 0;

protected:
    // Arguments are the caller's locals, never deleted through this base.
    ~FormatObject() = default;
};

template <typename T>
class TFormatObject : public FormatObject
{
public:
    explicit TFormatObject(const T& v) : value(&v) {}
    void Write(std::ostream& stream) const override { stream << *value; }

    const T* value;
};

void FormatToStream(std::ostream& stream, const char* format, const FormatObject* a1,
                    const FormatObject* a2, const FormatObject* a3);
std::string& Format(std::string& result, const char* format, const FormatObject* a1,
                    const FormatObject* a2 = nullptr, const FormatObject* a3 = nullptr);
std::string& FormatUnsigned(std::string& result, const char* format, const unsigned int& value);
