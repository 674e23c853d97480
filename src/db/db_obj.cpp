#include "db/db_obj.h"

#include "base/text.h"

namespace velmora {

void CDBObj::Trim(std::string& text) { text = TrimText(text); }

}  // namespace velmora
