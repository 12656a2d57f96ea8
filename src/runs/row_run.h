#pragma once
// One test row of the main window, run from its start button: the window is
// locked, the chime starts, the test runs, the gauge lights up to the index,
// and the value and comment panels show the result. The index and its level
// text go into the shared state.
#include "app/global.h"

#include <cstdint>
#include <functional>
#include <string>

// Runs the row of `test`. On return the row's TestIndex and TestLevel hold
// the new result and the main window is enabled again. A run that fails puts
// the row back as it was, gives the main window back enabled and shown, and
// passes the failure on.
void RunTest(TestKind test);

// The comment of Compar mode: the index as a percentage of the comparison
// index and the difference in hundreds, such as "112.3% (+    12)"; "Error"
// when the comparison index is 0 or below (nothing loaded yet).
std::string ComparCaption(std::int32_t index, std::int32_t comparIndex);

// Test hook: the row of `test` calls `fn` in place of its real test; an empty
// function restores the real one.
void SetRowTestForTest(TestKind test, std::function<std::int32_t()> fn);
