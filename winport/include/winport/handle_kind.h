// The kinds of object behind winport's handles; the handle table counts live handles by kind.
#pragma once

namespace winport {

enum class HandleKind {
    File, Find, Pipe, Process, Thread, Module, RegistryKey, ServiceManager, Service, Policy,
    SecurityContext, Credential, Other,
};

}  // namespace winport
