// The five information buttons. Not built yet: they do nothing.
#include "app/main1.h"

void Main1Form::Command10_Click() {}
void Main1Form::Command11_Click() {}
void Main1Form::Command12_Click() {}
void Main1Form::Command13_Click() {}
void Main1Form::Command14_Click() {}
