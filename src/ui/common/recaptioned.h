#pragma once
#include <QEvent>

namespace kestrum {

// A window whose captions follow the interface language. Qt sends it
// QEvent::LanguageChange when the translator changes, and applyCaptions
// sends one to a single window at its load; either way the window and its
// controls take the captions of the language now in use.
template <class Base>
class Recaptioned : public Base {
public:
    using Base::Base;
    // Sets the captions of the language now in use (tr()).
    virtual void retranslateUi() = 0;

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            retranslateUi();
        Base::changeEvent(event);
    }
};

} // namespace kestrum
