#pragma once

#include <QObject>
#include <QString>

#include <memory>

// The product-code (UPC/EAN) field shared by the movie, media and box editors, without the window: whether the item
// needs a code, how the field looks for a text, whether a stored code is locked, and what OK does. Codes are checked
// by the "Codevet.UPCObject" component, created by its ProgID and called by name; when it is not installed the
// editors still open, the field is neither coloured nor locked, and OK asks only about an empty code.
class ProductCodeGate
{
public:
    // Which editor hosts the field; each has its own need rule.
    enum class Editor
    {
        Movie, // needed unless the parent is a medium or a box, and never for a template
        Media, // needed unless the parent is a box, and never for a template
        Box,   // always needed
    };

    // A colour as red, green and blue, so this stays free of the window classes.
    struct Rgb
    {
        int red = 0;
        int green = 0;
        int blue = 0;
        friend bool operator==(const Rgb&, const Rgb&) = default;
    };
    // The back colour of a code that is needed and invalid, and the fore colour of a code that is not needed.
    static constexpr Rgb kInvalidBack{255, 0, 0};
    static constexpr Rgb kNotNeededFore{125, 125, 125};

    // How the field is painted; Normal means the colours as designed.
    enum class Back
    {
        Normal,
        Invalid,
    };
    enum class Fore
    {
        Normal,
        NotNeeded,
    };
    struct Look
    {
        Back back = Back::Normal;
        Fore fore = Fore::Normal;
        friend bool operator==(const Look&, const Look&) = default;
    };

    // What OK does before anything is saved.
    enum class OkOutcome
    {
        Save,          // go on and save
        AskEmptyCode,  // ask EmptyCodeQuestion(); Yes saves, No keeps the dialog open
        RefuseInvalid, // show InvalidCodeMessage() and keep the dialog open
    };

    // Creates the checker by its ProgID; a missing component leaves the gate without one.
    explicit ProductCodeGate(Editor editor);
    // With a given checker (or none): any object with an invokable CheckString(QString) answering an int.
    ProductCodeGate(Editor editor, std::shared_ptr<QObject> checker);

    Editor editor() const { return m_editor; }
    bool HasChecker() const { return m_checker != nullptr; }

    // CheckString on the trimmed text: 0 for no valid code, 1 to 4 for the kind of a valid one. Always 0 without a
    // checker.
    int Check(const QString& text) const;

    // Whether the item needs a code with parentKey selected ("!0", "C1", "S2", "B3", "E4", ...).
    bool IsUPCNeeded(const QString& parentKey, bool templateMode) const;
    // The field's colours for its text: red when a non-empty code is needed and invalid, grey when no code is needed.
    // Without a checker nothing is coloured.
    Look FieldLook(const QString& text, const QString& parentKey, bool templateMode) const;
    // Whether a stored code, just loaded, is locked against change: it is valid and the item, under the parent it was
    // loaded with, needs a code. Never without a checker.
    bool LocksOnLoad(const QString& storedText, const QString& loadedParentKey) const;
    // The OK gate: an empty needed code asks, an invalid needed code is refused, anything else saves. Without a
    // checker only the empty-code question remains.
    OkOutcome OnOk(const QString& text, const QString& parentKey, bool templateMode) const;

    // The text after the user leaves the field: the movie editor keeps only the digits.
    QString TextOnLeave(const QString& text) const;
    // The text saved as strUPC: the movie editor saves only the digits, the others the text as typed.
    QString SavedCode(const QString& text) const;
    // The field's tooltip: the designed one, or a note that codes cannot be checked when the checker is missing.
    QString ToolTip(const QString& designedToolTip) const;

    static QString UnlockQuestion();
    static QString UnlockTitle();
    static QString EmptyCodeQuestion();
    static QString InvalidCodeMessage();
    static QString CheckerMissingToolTip();

    static inline const QString kCheckerProgId = QStringLiteral("Codevet.UPCObject");

private:
    // The parent rule alone, without the template term.
    bool NeededByParent(const QString& parentKey) const;

    Editor m_editor;
    std::shared_ptr<QObject> m_checker;
};
