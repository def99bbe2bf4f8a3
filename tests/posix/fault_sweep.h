// The fault sweep the winport tests share: the nth fault point (n = 1, 2, ...) fails with the
// armed error while `run` runs, until a run passes every fault point untouched.
#pragma once

#include <winport/testing.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

namespace cw32test {

// `prepare` (if any) runs before the fault is armed. After each run: no handle and no local
// block left behind, then `check(n, function)` with the function that failed ("" for the
// untouched run, which ends the sweep). Returns the functions made to fail.
inline std::set<std::string> SweepFaults(DWORD error, const std::function<void()>& run,
                                         const std::function<void(unsigned, const std::string&)>& check,
                                         const std::function<void()>& prepare = nullptr) {
    namespace wt = winport::testing;
    std::set<std::string> faulted;
    for (unsigned n = 1; n <= 500; ++n) {
        SCOPED_TRACE("fault at call " + std::to_string(n));
        if (prepare) prepare();
        const std::size_t handles = wt::LiveHandles(), blocks = wt::LiveLocalBlocks();
        wt::FailNthCall(n, error);
        run();
        const std::string function = wt::FaultFired() ? wt::FaultedFunction() : "";
        wt::DisarmFaults();
        EXPECT_EQ(wt::LiveHandles(), handles) << "after a fault in " << function;
        EXPECT_EQ(wt::LiveLocalBlocks(), blocks) << "after a fault in " << function;
        check(n, function);
        if (function.empty()) return faulted;
        faulted.insert(function);
    }
    ADD_FAILURE() << "the sweep never ran untouched";
    return faulted;
}

}  // namespace cw32test
