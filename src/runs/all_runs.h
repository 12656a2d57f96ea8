#pragma once
// The sequences of several row runs: ALL runs all six tests in order, the
// missing-tests run only those not measured yet.
void RunAllTests();
void RunMissingTests();
