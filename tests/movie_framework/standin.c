/* A stand-in movie framework: the three entries the library binds, and a dispatcher answering the five
 * selectors it calls, each call reported to the test program's movie_standin_answer when it has one (which
 * may change the answer). STANDIN_VERSION is what the version query answers; STANDIN_WITHOUT_CALL_COMPONENT
 * leaves one entry out. In C, so that nothing keeps it loaded after its last close. */
#include <stdarg.h>
#include <stdint.h>

#define STANDIN_EXPORT __attribute__((visibility("default")))

extern int32_t movie_standin_answer(uint32_t selector, int32_t answer) __attribute__((weak));

STANDIN_EXPORT int32_t theQuickTimeDispatcher(uint32_t selector, ...) {
    int32_t answer = 0;
    va_list args;
    va_start(args, selector);
    if (selector == 0x001D0008) { /* InitializeQTML(flags): the library passes none */
        answer = va_arg(args, int32_t) == 0 ? 0 : -50;
    } else if (selector == 0x00110001) { /* the version query */
        const uint32_t code = va_arg(args, uint32_t);
        int32_t *version = va_arg(args, int32_t *);
        if (code == 0x7174696D) *version = STANDIN_VERSION;
        answer = code == 0x7174696D ? 0 : -5551;
    }
    va_end(args);
    return movie_standin_answer ? movie_standin_answer(selector, answer) : answer;
}

#ifndef STANDIN_WITHOUT_CALL_COMPONENT
STANDIN_EXPORT int32_t _CallComponent(uint32_t selector, ...) { return selector ? -4 : 0; }
#endif

STANDIN_EXPORT int32_t _CallComponentFunctionWithStorage(uint32_t selector, ...) { return selector ? -4 : 0; }
