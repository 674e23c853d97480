#include "messaging_test_support.h"

#include "messaging/msg_box.h"

namespace velmora::test {

Recorder::~Recorder() { CMsgBox::Box().Unsubscribe(this); }

}  // namespace velmora::test
