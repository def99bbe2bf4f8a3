// Reading a host argument through the action context.
#include "common-win32/host.h"

CString GetCStringArg(boost::shared_ptr<IActionContext> context, const std::wstring& name) {
    // The host promises a string for every name; a host that breaks that promise gets an empty
    // text rather than a crash.
    if (!context) return CString();
    const boost::shared_ptr<std::wstring> answer = context->GetArgumentValue(name);
    if (!answer) return CString();
    return CString(answer->c_str());  // up to the first NUL, as the host's text ends there
}
