/* Functions with known stack-argument sizes, compiled into a 32-bit DLL by the
   engine tests (at -O0 and -O2) to check the argument column on real compiler
   output. Each body differs (constants, operations) so that -O2 cannot fold two
   of them into one, and each stays short so that its return lies well inside
   the first 100-byte window. */

#ifdef CALLCONV_DLLEXPORT
#define API __declspec(dllexport)
#else
#define API
#endif
#define KEEP __attribute__((noinline, used))

struct Triple {
  int a, b, c;
};

static volatile int calls;

API KEEP int __stdcall Args0(void) { return calls++ * 7 + 3; }

API KEEP int __stdcall Args1(int a) { return (a ^ 0x1111) * 3; }

API KEEP int __stdcall Args2(int a, int b) { return a * b + 0x2222; }

API KEEP int __stdcall Args3(int a, int b, int c) { return (a - b) * c ^ 0x3333; }

API KEEP int __stdcall Args7(int a, int b, int c, int d, int e, int f, int g) {
  return (a ^ 0x7777) + b * 3 - c + (d << 2) - e * f + g;
}

API KEEP int __stdcall Args12(int a, int b, int c, int d, int e, int f, int g, int h, int i, int j, int k,
                              int l) {
  return a + b - c + d - e + f - g + h - i + j - k + (l ^ 0x1212);
}

API KEEP double __stdcall TakesDouble(double x) { return x * 2.5 + 1.0; }

API KEEP int __stdcall TakesTriple(struct Triple t) { return t.a * 5 + t.b - t.c; }

/* The caller passes a hidden pointer to the result and this function pops it
   together with its one int: 8 bytes, though the decoration says @4. */
API KEEP struct Triple __stdcall MakesTriple(int a) {
  struct Triple t = {a, a * 2, a * 3 + 0x4444};
  return t;
}

/* The caller cleans the stack: a plain return. */
API KEEP int __cdecl CdeclSum(int a, int b, int c) { return a + b * 9 + c * 0x55; }

/* Two ints travel in ECX and EDX; only the third is on the stack. */
API KEEP int __fastcall FastThree(int a, int b, int c) { return a * b + c + 0x6666; }

/* Exported by ordinal only (NONAME): never listed. */
API KEEP int __stdcall Hidden(int a) { return a * 0x99; }
