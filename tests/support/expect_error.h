#pragma once
// One check for "this call raises this error with this text": the call must
// raise E (or, with Exactly, E itself and no subclass) and the message must
// be the text to the letter (or contain a fragment). A call that raises
// nothing, something else or another text fails the test with what it did
// instead.

#include <gtest/gtest.h>

#include <optional>
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

// The error the call raised when it is an E (a copy, so that its fields can
// be checked); a failure naming what happened instead when it is not.
template <class E, class Call>
std::optional<E> CaughtError(Call&& call) {
    try {
        call();
    } catch (const E& error) {
        return error;
    } catch (const std::exception& error) {
        ADD_FAILURE() << "raised " << typeid(error).name() << " \"" << error.what()
                      << "\", expected " << typeid(E).name();
        return std::nullopt;
    }
    ADD_FAILURE() << "raised nothing, expected " << typeid(E).name();
    return std::nullopt;
}

// Whether the call raised E with a message that contains the fragment: for
// messages that quote what varies (file names, a server's details).
template <class E, class Call>
::testing::AssertionResult RaisesContaining(Call&& call, const std::string& fragment) {
    const std::optional<E> error = CaughtError<E>(std::forward<Call>(call));
    if (!error) return ::testing::AssertionFailure() << "no " << typeid(E).name();
    if (std::string(error->what()).find(fragment) == std::string::npos)
        return ::testing::AssertionFailure()
               << "raised \"" << error->what() << "\", which lacks \"" << fragment << "\"";
    return ::testing::AssertionSuccess();
}

#define EXPECT_RAISES(ErrorClass, statement, text) \
    EXPECT_TRUE(RaisesWith<ErrorClass>([&] { statement; }, text))
#define EXPECT_RAISES_EXACTLY(ErrorClass, statement, text) \
    EXPECT_TRUE(RaisesWith<ErrorClass>([&] { statement; }, text, TcErrorClass::Exactly))
#define EXPECT_RAISES_CONTAINING(ErrorClass, statement, fragment) \
    EXPECT_TRUE(RaisesContaining<ErrorClass>([&] { statement; }, fragment))
