// Preconditions of the form runtime, checked in debug builds only, as WTL's
// ATLASSERT does: a broken one is the caller's fault, stopped where it
// happens. Release builds (NDEBUG) keep no trace of the check or its text.
//
//   UI_ASSERT(::IsWindow(h));
//   UI_ASSERT(index >= -1 && index < count);
#pragma once
#include <cassert>

#define UI_ASSERT(condition) assert(condition)
