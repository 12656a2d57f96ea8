// The Normal / Compar mode switch. Not built yet: it does nothing.
#include "app/main1.h"

void Main1Form::Option1_Click(int) {}
