#pragma once
// Printing a window's image on the system's default printer.
namespace kv {

class Form;

// Prints the window's client area as it shows now (hidden controls do not
// show), scaled to fit the printable part of one page with its proportions
// kept, as one job on the default printer of the print system (CUPS).
// Throws RuntimeError (ErrPrinter) when there is no default printer, the
// page cannot be made, or the printer refuses the job.
void PrintFormImage(const Form& form);

} // namespace kv
