#include <corvan.h>
#include <stdio.h>

int main(void) {
    float out[64];
    const float peak = corvan_atom("H2O", out, 64);
    printf("%.5f\n", peak);
    return peak > 0.9973f && peak < 0.9974f ? 0 : 1;
}
