#include "base/version.h"

namespace orlund {

const char kProductName[] = "Orlund ActiveX Server";
const char kProductVersion[] = "1.00.06";
const char kServiceName[] = "OrlundActiveXServer";

}  // namespace orlund
