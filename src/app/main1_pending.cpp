// Buttons of the main window whose work is not built yet: they are laid out
// and do nothing.
#include "app/main1.h"

void Main1Form::Command8_Click() {}
void Main1Form::Command9_Click() {}
void Main1Form::Command10_Click() {}
void Main1Form::Command11_Click() {}
void Main1Form::Command12_Click() {}
void Main1Form::Command13_Click() {}
void Main1Form::Command14_Click() {}
void Main1Form::Command15_Click() {}
void Main1Form::Command16_Click() {}
void Main1Form::Option1_Click(int) {}
