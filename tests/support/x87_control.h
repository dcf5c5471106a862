// The x87 control word, read and set by the tests that play a host's floating-point state.
#pragma once

inline unsigned short X87ControlWord()
{
    unsigned short word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

inline void SetX87ControlWord(unsigned short word)
{
    __asm__ __volatile__("fldcw %0" : : "m"(word));
}
