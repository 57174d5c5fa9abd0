#pragma once

// Counts allocations through operator new, which this file's source replaces for the whole
// program that links it, to prove that some work allocates nothing.
long allocationCount();
