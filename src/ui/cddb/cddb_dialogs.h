#pragma once
// What the main window calls for its command "&Query Freedb".

#include "stop_query_form.h"

class QWidget;

// Reads the table of contents of the drive behind cdHandle; when that fails,
// says so ("Error while reading TOC information!") and opens nothing.
// Otherwise shows the query dialog modally over parent. setRowTitle receives
// the title of every track found (row 0 = first track of the disc) while the
// wait window is still shown; OptionsSetting.CDInfo gets the artist, album,
// year and genre, and OptionsSetting.QueryCDDB the server settings of a query.
// Returns mrYes after a finished query, else mrCancel.
int ExecQueryCDDB(QWidget* parent, HCDROM cdHandle, TSetRowTitle setRowTitle);
