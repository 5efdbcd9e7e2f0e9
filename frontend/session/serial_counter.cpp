#include "serial_counter.h"

std::string CheckSerialPlan(const SerialPlan &plan)
{
    std::string bytes, error;
    if (plan.width < 1 || plan.width > kSerialWidthMax)
        return "--serial-bytes: a serial takes 1 to 8 bytes, not " + std::to_string(plan.width);
    if (!SerialBytes(plan.first, plan.format, plan.width, bytes, error))
        return "--serial-first: " + error;
    if (plan.step == 0)
        return "--serial-step: a step of 0 would give every chip the same serial";
    if (plan.last && *plan.last < plan.first)
        return "--serial-last " + std::to_string(*plan.last) + " is below --serial-first " +
               std::to_string(plan.first);
    if (plan.last && !SerialBytes(*plan.last, plan.format, plan.width, bytes, error))
        return "--serial-last: " + error;
    return {};
}

bool SerialCounter::Fits(uint64_t number) const
{
    return number <= LargestSerial(plan_.format, plan_.width) && (!plan_.last || number <= *plan_.last);
}

std::string SerialCounter::ResumeAbove(uint64_t highest)
{
    if (plan_.restart || highest < plan_.first)
        return {};
    if (highest > UINT64_MAX - plan_.step)
        used_up_ = true;
    else
        next_ = highest + plan_.step;
    return "serials go on after " + std::to_string(highest) + ", the highest in the log";
}

std::optional<uint64_t> SerialCounter::Next() const
{
    if (!returned_.empty())
        return *returned_.begin();
    if (used_up_ || !Fits(next_))
        return std::nullopt;
    return next_;
}

std::optional<uint64_t> SerialCounter::Take()
{
    const std::optional<uint64_t> number = Next();
    if (!number)
        return number;
    if (!returned_.empty() && *returned_.begin() == *number) {
        returned_.erase(returned_.begin());
        return number;
    }
    if (next_ > UINT64_MAX - plan_.step)
        used_up_ = true;
    else
        next_ += plan_.step;
    return number;
}

void SerialCounter::Failed(uint64_t number)
{
    if (plan_.reuse)
        returned_.insert(number);
}
