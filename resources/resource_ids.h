#pragma once
// Resource ids shared by kestrivo.rc and the program.
#define IDI_KESTRIVO 1
