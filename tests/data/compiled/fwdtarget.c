/* The DLL that callconv.dll forwards to. Its five-int function has a count that
   nothing in callconv.dll has, so a 5 can only come from this code. */

#define KEEP __attribute__((noinline, used))

KEEP int __stdcall Target5(int a, int b, int c, int d, int e) { return a * 0x55 + b - c * d + (e ^ 0x5555); }

KEEP int __cdecl TargetCdecl(int a, int b) { return a * b - 0x5050; }
