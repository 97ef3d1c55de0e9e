// A library with no GetInterface export: what a wrong or damaged SDK file
// looks like to the loader.
extern "C" __declspec(dllexport) int SomethingElse(void) { return 1; }
