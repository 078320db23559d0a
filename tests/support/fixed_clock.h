#pragma once

#include "platform/core/clock.h"

// A clock whose today the test sets.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(const QDate& day) : m_day(day) {}
    QDate today() const override { return m_day; }

private:
    QDate m_day;
};
