#pragma once
// Lets GoogleTest print QString values (and lists of them) as text in failure messages
// instead of as 2-byte objects.
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
