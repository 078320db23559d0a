#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <optional>

class QWidget;

// What the user sees of the common dialog: the font, colour and Save As
// dialogs themselves. The program uses QtCommonDialogUi; tests use
// ScriptedCommonDialog to answer for the user. Each call shows its dialog
// modally and returns the user's choice, or nothing for Cancel.
class CommonDialogUi
{
public:
    struct Font
    {
        QString name;
        bool bold = false;
        bool italic = false;
        float size = 0; // points

        bool operator==(const Font&) const = default;
    };

    virtual ~CommonDialogUi() = default;

    // offerEffects: whether the dialog offers underline and strikethrough.
    virtual std::optional<Font> chooseFont(QWidget* parent, const Font& initial,
                                           bool offerEffects) = 0;

    // initial: the colour the dialog opens on; invalid for the dialog's own.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;

    // fileName: the name proposed (a bare name or a path). nameFilters in
    // Qt's form, "Text Files (*.txt)". askBeforeReplacing: whether choosing
    // an existing file asks first; a No there takes the user back to the
    // dialog, so only the final choice comes back. Returns the full path.
    virtual std::optional<QString> chooseSaveFile(QWidget* parent, const QString& fileName,
                                                  const QStringList& nameFilters,
                                                  bool askBeforeReplacing) = 0;
};

class QtCommonDialogUi final : public CommonDialogUi
{
public:
    std::optional<Font> chooseFont(QWidget* parent, const Font& initial,
                                   bool offerEffects) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    std::optional<QString> chooseSaveFile(QWidget* parent, const QString& fileName,
                                          const QStringList& nameFilters,
                                          bool askBeforeReplacing) override;
};

// The shared dialog of the main window (dlgOJW): properties a command fills
// in, Show* operations that show a dialog and, only when the user confirms,
// change the properties they return; values stay from one command to the
// next. Cancel gives Result::Cancelled, or Result::CancelError (the
// platform's cdlCancel) while CancelError is set, when the command must end
// without using the properties. Colours are ColorValue's 32-bit values.
class CommonDialog
{
public:
    enum class Result {
        Ok,          // the user confirmed; the properties hold the choice
        Cancelled,   // Cancel while CancelError is false; properties unchanged
        CancelError, // Cancel while CancelError is true; properties unchanged
    };

    // Flag values the program uses.
    static constexpr qint32 cdlCFBoth = 0x3;
    static constexpr qint32 cdlCFEffects = 0x100;
    static constexpr qint32 cdlCCRGBInit = 0x1;
    static constexpr qint32 cdlOFNOverwritePrompt = 0x2;

    // ShowSave's question before an existing file is replaced.
    enum class Replace {
        AsFlagsSay, // ask only when Flags include cdlOFNOverwritePrompt
        AlwaysAsk,  // ask whatever the Flags
    };

    // ui: the dialogs to show; null means Qt's own. parent: the window the
    // dialogs are modal to.
    explicit CommonDialog(QWidget* parent, CommonDialogUi* ui = nullptr);

    // The properties, as a command sets and reads them.
    qint32 Flags = 0;
    QString FontName;
    bool FontBold = false;
    bool FontItalic = false;
    float FontSize = 8;
    qint32 Color = 0;
    // Pairs of description and patterns, all separated by "|":
    // "Text Files(*.txt)|*.txt|All Files(*.*)|*.*". Patterns within one
    // pair are separated by ";".
    QString Filter;
    // ShowSave proposes it and, after OK, holds the full path chosen.
    QString FileName;
    bool CancelError = false;

    // The font dialog, opened on FontName, FontBold, FontItalic and
    // FontSize; OK sets those four. Underline and strikethrough are offered
    // only when Flags include cdlCFEffects, and never returned. A font name
    // that is not installed comes back unchanged unless the user picks
    // another font.
    Result ShowFont();

    // The colour dialog, opened on Color when Flags include cdlCCRGBInit (a
    // system colour as it looks now); OK sets Color to a plain colour.
    Result ShowColor();

    // The Save As dialog, proposing FileName and listing the files that
    // Filter's first pair matches (the user may switch to the others);
    // "*.*" lists every file, with or without an extension. No extension is
    // added to a name typed without one, and no start folder is set. OK
    // sets FileName to the full path. Whether choosing an existing file
    // asks before replacing it: see Replace.
    Result ShowSave(Replace replace = Replace::AsFlagsSay);

    // Filter in Qt's form: one entry per pair, the description followed by
    // its patterns in parentheses ("*.*" becomes "*").
    static QStringList nameFilters(const QString& filter);

private:
    Result cancelled() const { return CancelError ? Result::CancelError : Result::Cancelled; }

    QWidget* m_parent;
    std::unique_ptr<CommonDialogUi> m_ownUi;
    CommonDialogUi* m_ui;
};
