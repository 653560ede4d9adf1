/* A stand-in for the optional movie framework: the three entries the library binds, and a dispatcher that
 * answers the five selectors the library calls. Each call is reported to movie_standin_answer when the
 * test program defines it (resolved from the program at load time), which may change the answer.
 * Variants by definitions: STANDIN_VERSION is what the version query answers; STANDIN_WITHOUT_CALL_COMPONENT
 * leaves the entry _CallComponent out. Written in C so that nothing keeps it loaded after the last close. */
#include <stdarg.h>
#include <stdint.h>

#define STANDIN_EXPORT __attribute__((visibility("default")))

extern int32_t movie_standin_answer(uint32_t selector, int32_t answer) __attribute__((weak));

STANDIN_EXPORT int32_t theQuickTimeDispatcher(uint32_t selector, ...) {
    int32_t answer = 0;
    va_list args;
    va_start(args, selector);
    switch (selector) {
    case 0x001D0008: /* InitializeQTML(flags): the library passes none */
        if (va_arg(args, int32_t) != 0) answer = -50;
        break;
    case 0x001D0009: /* TerminateQTML */
    case 0x00020001: /* EnterMovies */
    case 0x00020002: /* ExitMovies */
        break;
    case 0x00110001: { /* the version query */
        const uint32_t code = va_arg(args, uint32_t);
        int32_t *version = va_arg(args, int32_t *);
        if (code == 0x7174696D) {
            *version = STANDIN_VERSION;
        } else {
            answer = -5551;
        }
        break;
    }
    default: answer = -4; /* not implemented */
    }
    va_end(args);
    return movie_standin_answer ? movie_standin_answer(selector, answer) : answer;
}

#ifndef STANDIN_WITHOUT_CALL_COMPONENT
STANDIN_EXPORT int32_t _CallComponent(uint32_t selector, ...) { return selector ? -4 : 0; }
#endif

STANDIN_EXPORT int32_t _CallComponentFunctionWithStorage(uint32_t selector, ...) { return selector ? -4 : 0; }
