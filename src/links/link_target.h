#pragma once
// CLinkTarget: what a link set reports to (a control, a panel, a group or an info indicator). The target chooses
// which of its own operations its link set calls when a link gets a value and when a link loses it; the set calls
// them under the process-wide link callback lock, on whichever thread the change happened.
class CLinkTarget
{
public:
    using Callback = void (CLinkTarget::*)();

    virtual ~CLinkTarget() = default;
};
