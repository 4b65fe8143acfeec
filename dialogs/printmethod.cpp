// The print method chosen in Printing Options, kept in printer.dta.
#include "print/print.h"

int PrintMethod = 0;
