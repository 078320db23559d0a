#pragma once

#include <QDate>

// The local system date. The program uses the system clock; tests set "today".
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDate today() const override;
};
