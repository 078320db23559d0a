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

class FixedClock final : public Clock
{
public:
    explicit FixedClock(const QDate& day) : m_day(day) {}
    QDate today() const override { return m_day; }

private:
    QDate m_day;
};
