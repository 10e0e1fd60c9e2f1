// The logic of the Belvan-T programming tool, without a display: the channel plan and its
// editing operations, the parameter image, the radio link and the channel-settings files.
#pragma once

#include "files/settings_file.h"
#include "form/file_operations.h"
#include "form/take_in_image.h"
#include "image/decoding.h"
#include "image/encoding.h"
#include "image/parameter_image.h"
#include "link/connection_watch.h"
#include "link/radio_exchange.h"
#include "link/radio_frame.h"
#include "link/serial_port.h"
#include "operator_interface.h"
#include "plan/channel_editing.h"
#include "plan/channel_entry.h"
#include "plan/controls.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"
#include "plan/number_text.h"
#include "plan/start_up.h"
#include "plan/step_rules.h"
#include "program_state.h"
