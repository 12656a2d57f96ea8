// Save and Load of the comparison data. Not built yet: they do nothing.
#include "app/main1.h"

void Main1Form::Command15_Click() {}
void Main1Form::Command16_Click() {}
