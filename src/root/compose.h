#pragma once
// The composition root: what joins the folders below it into one program.
// main() and the test runner call it once, before the first window is made.
void ComposeProgram();
