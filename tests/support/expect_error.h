#pragma once
// One check for "this call raises this error with this text": the call must
// raise E (or, with Exactly, E itself and no subclass) and the message must
// be the text to the letter. A call that raises nothing, something else or
// another text fails the test with what it did instead.

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

enum class TcErrorClass { OrSubclass, Exactly };

template <class E, class Call>
::testing::AssertionResult RaisesWith(Call&& call, const std::string& text,
                                      TcErrorClass match = TcErrorClass::OrSubclass) {
    try {
        call();
    } catch (const E& error) {
        if (match == TcErrorClass::Exactly && typeid(error) != typeid(E))
            return ::testing::AssertionFailure()
                   << "raised a subclass " << typeid(error).name() << " of " << typeid(E).name()
                   << ": " << error.what();
        if (text != error.what())
            return ::testing::AssertionFailure()
                   << "raised \"" << error.what() << "\", expected \"" << text << "\"";
        return ::testing::AssertionSuccess();
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << "raised " << typeid(error).name() << " \""
                                             << error.what() << "\", expected " << typeid(E).name();
    }
    return ::testing::AssertionFailure() << "raised nothing, expected \"" << text << "\"";
}

#define EXPECT_RAISES(ErrorClass, statement, text) \
    EXPECT_TRUE(RaisesWith<ErrorClass>([&] { statement; }, text))
#define EXPECT_RAISES_EXACTLY(ErrorClass, statement, text) \
    EXPECT_TRUE(RaisesWith<ErrorClass>([&] { statement; }, text, TcErrorClass::Exactly))
