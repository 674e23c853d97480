#pragma once

// Umbrella header of the Velmora library: every public header, so that a
// program can use the whole library with one include.

#include "platform/api.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/encoding.h"
#include "platform/file_system.h"
#include "platform/guid.h"
#include "platform/message_pump.h"
#include "platform/path_split.h"
#include "platform/process.h"
#include "platform/system.h"

#include "base/control_helpers.h"
#include "base/format.h"
#include "base/hex.h"
#include "base/password.h"
#include "base/path_text.h"
#include "base/system_info.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "base/value_format.h"

#include "objects/archive.h"
#include "objects/obj.h"
#include "objects/obj_node.h"
#include "objects/std_list.h"
#include "objects/std_map.h"

#include "paths/file_filter.h"
#include "paths/file_find.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"
#include "paths/file_rec_find.h"
#include "paths/list_obj.h"
#include "paths/mfc_obj_node.h"

#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_data_stream.h"
#include "ftp/protocol/ftp_error.h"

#include "zip/zip_archive.h"
#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"

#include "db/db_column.h"
#include "db/db_date.h"
#include "db/db_obj.h"
#include "db/db_obj_set.h"
#include "db/db_record_set.h"
#include "db/db_schedule_obj.h"
#include "db/db_statement.h"
#include "db/sqlite_database.h"
#include "db/sqlite_query.h"
#include "db/time_views.h"
