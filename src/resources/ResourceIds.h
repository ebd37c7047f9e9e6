#pragma once
#define IDB_RECALC_GLYPH 101
#define IDB_IMAGELIST1 102
