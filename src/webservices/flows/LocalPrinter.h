#pragma once

#include <QStringList>

// Printing on a printer of this computer: asks where and how, and prints.
class LocalPrinter
{
public:
    virtual ~LocalPrinter() = default;
    virtual void print(const QStringList &paths) = 0;
};
