#pragma once
// The process-wide language of every bilingual text. It starts as Dutch; the
// front ends choose English before they create an engine, because command
// help texts are fixed when a command is constructed.

enum class TLanguage { Dutch = 0, English = 1 };

extern TLanguage Language;

// The English or the Dutch text, chosen by Language at the moment of the call.
inline const char* Lang(const char* english, const char* dutch) {
    return Language == TLanguage::English ? english : dutch;
}
