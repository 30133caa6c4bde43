#pragma once

// Hands an element's memo back to the host however its creation ends, a thrown host error included.

#include "HostInterface.hpp"

class MemoRelease {
public:
    explicit MemoRelease(API_ElementMemo& memo) : memo(memo) {}
    ~MemoRelease()
    {
        try {
            Host::DisposeElementMemo(&memo);
        } catch (...) {
        }
    }
    MemoRelease(const MemoRelease&) = delete;
    MemoRelease& operator=(const MemoRelease&) = delete;

private:
    API_ElementMemo& memo;
};
