// An empty module: the settings tests load copies of it to stand in for the plug-in module.
extern "C" __declspec(dllexport) int probeModuleMarker() {
    return 1;
}
