// Resource ids of tamsel_handler.
#pragma once

// The 48 x 48 product icon shown in the pane when no stored picture is shown.
#define IDI_PANE_ICON 101
