#pragma once
// A private base for the objects that stand for one thing of the system (a
// window, a thread, a process, a loaded library, the log's file): a copy
// would release that thing twice or drive it from two places, so none of
// them copies, and none moves either.
namespace vt {

class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};

}  // namespace vt
