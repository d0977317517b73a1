#pragma once
// Exceptions of the interpreter and the execution engine.

#include <stdexcept>
#include <string>

// An evaluation error. Its text is either one of the interpreter's messages
// or, once an entry point has reported it, the box text that failed; in both
// cases code page 932 bytes, owned by the exception so it stays valid until
// the run reports it.
class CEvalError {
public:
    explicit CEvalError(std::string text) : m_text(std::move(text)) {}
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

// Thrown by a "break" (111) or "continue" (110) box to its innermost loop.
class CLoopControl {
public:
    explicit CLoopControl(int code) : m_code(code) {}
    int Code() const { return m_code; }

private:
    int m_code;
};
