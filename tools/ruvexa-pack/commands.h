// The commands of ruvexa-pack; each returns the process exit status.
#pragma once

#include "arguments.h"

namespace pack {

int RunBuild(const Arguments& arguments);
int RunDelta(const Arguments& arguments);
int RunVerify(const Arguments& arguments);
int RunInspect(const Arguments& arguments);
int RunList(const Arguments& arguments);
int RunUnpack(const Arguments& arguments);
int RunKeygen(const Arguments& arguments);
int RunSign(const Arguments& arguments);
int RunExplain(const Arguments& arguments);
int RunLog(const Arguments& arguments);

}  // namespace pack
