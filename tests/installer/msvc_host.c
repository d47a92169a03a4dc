/* A host built the way MSVC builds one: the C ABI, no C runtime, linked by an MSVC-compatible
   linker against the installed lib\Vetrel.lib. Exits with 0 once the installed Vetrel.dll has
   answered. */
unsigned short __declspec(dllimport) VetrelRevision(void);

int mainCRTStartup(void)
{
    return VetrelRevision() != 0 ? 0 : 1;
}
