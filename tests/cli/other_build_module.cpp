// A Modbus module of an older build: its interface text is not the program's.

#include <QtGlobal>

extern "C" Q_DECL_EXPORT const char *cf20914_endpoint_probe_interface() {
    return "cf20914 endpoint probe 1, Qt 6.4.2";
}

extern "C" Q_DECL_EXPORT void *cf20914_make_endpoint_probe() {
    qFatal("a module of another build was called");
    return nullptr;
}
