#pragma once
// The sequences of several row runs on the main window: ALL runs all six
// tests in order, the missing-tests run only those not measured yet. While
// either runs, the connector path at the left of the rows lights up row by
// row and the "ALL" label turns red; both go back to their design colours at
// the end.

// The ALL button's work: all six rows in test order, with one pass of the
// message pump after each.
void RunAllTests();

// Runs, in test order and without pumping messages between them, the rows
// whose TestIndex is still -1. False when a row run failed: the sequence then
// stopped, with the path, the "ALL" label and the ALL button put back and the
// main window enabled and shown, and the caller should not go on.
bool RunMissingTests();
