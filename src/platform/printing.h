#pragma once
// Printing a window's image on the system's default printer.
namespace kv {

class Form;

// Prints the window's client area as it shows now (hidden controls do not
// show), scaled to fit the printable part of one page with its proportions
// kept, as one job on the default printer of the print system (CUPS).
// Throws RuntimeError (ErrPrinter), and sends nothing, when there is no
// default printer or the page cannot be made whole (a full temporary
// folder); throws it too when the printer refuses the job or the print
// system has not answered within 10 s. The windows are repainted, but take
// no input, while it waits on the print system.
void PrintFormImage(const Form& form);

} // namespace kv
