#include "i18n/qt/window_translation.h"

#include <QComboBox>
#include <QFontComboBox>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBox>
#include <QTreeWidget>
#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

#include "i18n/translate.h"

namespace bv {

QString TranslateQString(const QString& english) {
    return QString::fromStdString(Translate(english.toStdString()));
}

QString QTranslate(std::string_view english) {
    return QString::fromStdString(Translate(english));
}

namespace {

// String properties that are names, markup or formats rather than texts. The text editors'
// contents are translated line by line instead, and a combo box's current text follows its items.
bool SkipProperty(const QObject* object, const char* name) {
    static constexpr std::string_view kNotTexts[] = {"objectName", "styleSheet",   "defaultStyleSheet",
                                                     "html",       "markdown",     "windowFilePath",
                                                     "inputMask",  "displayFormat"};
    const std::string_view n(name);
    if (std::find(std::begin(kNotTexts), std::end(kNotTexts), n) != std::end(kNotTexts))
        return true;
    if (qobject_cast<const QTextEdit*>(object) != nullptr ||
        qobject_cast<const QPlainTextEdit*>(object) != nullptr)
        return n == "plainText";
    if (qobject_cast<const QComboBox*>(object) != nullptr)
        return n == "currentText";
    return false;
}

class Walker {
public:
    explicit Walker(const TextTranslation& translate) : translate_(translate) {}

    void Walk(QObject* object) {
        if (object->findChild<QObject*>(kTranslatedMarker, Qt::FindDirectChildrenOnly) != nullptr)
            return;
        Properties(object);
        Items(object);
        if (auto* edit = qobject_cast<QPlainTextEdit*>(object))
            Lines(edit->document());
        else if (auto* edit = qobject_cast<QTextEdit*>(object))
            Lines(edit->document());
        for (QObject* child : object->children())
            Walk(child);
    }

private:
    // The translation, or a null text when it is the same as the original or there is none.
    QString Changed(const QString& text) const {
        if (text.isEmpty())
            return {};
        QString translated = translate_(text);
        return translated == text ? QString() : translated;
    }

    template <typename Get, typename Set>
    void Text(Get get, Set set) const {
        if (QString t = Changed(get()); !t.isNull())
            set(t);
    }

    void Properties(QObject* object) const {
        const QMetaObject* meta = object->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (property.metaType().id() != QMetaType::QString || !property.isReadable() ||
                !property.isWritable() || SkipProperty(object, property.name()))
                continue;
            const QString translated = Changed(property.read(object).toString());
            if (!translated.isNull() && !property.write(object, translated))
                throw std::runtime_error(std::string("Cannot set the property ") + property.name() +
                                         " of class " + meta->className() + " to its translation");
        }
    }

    void Items(QObject* object) const {
        if (auto* bar = qobject_cast<QTabBar*>(object)) {
            for (int i = 0; i < bar->count(); ++i) {
                Text([&] { return bar->tabText(i); }, [&](const QString& t) { bar->setTabText(i, t); });
                Text([&] { return bar->tabToolTip(i); }, [&](const QString& t) { bar->setTabToolTip(i, t); });
            }
        } else if (auto* box = qobject_cast<QToolBox*>(object)) {
            for (int i = 0; i < box->count(); ++i) {
                Text([&] { return box->itemText(i); }, [&](const QString& t) { box->setItemText(i, t); });
                Text([&] { return box->itemToolTip(i); },
                     [&](const QString& t) { box->setItemToolTip(i, t); });
            }
        } else if (auto* list = qobject_cast<QListWidget*>(object)) {
            for (int i = 0; i < list->count(); ++i) {
                QListWidgetItem* item = list->item(i);
                Text([&] { return item->text(); }, [&](const QString& t) { item->setText(t); });
                Text([&] { return item->toolTip(); }, [&](const QString& t) { item->setToolTip(t); });
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
            if (qobject_cast<QFontComboBox*>(combo) != nullptr)
                return; // its items are font names
            for (int i = 0; i < combo->count(); ++i)
                Text([&] { return combo->itemText(i); }, [&](const QString& t) { combo->setItemText(i, t); });
        } else if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
            TreeItem(tree->headerItem());
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                TreeItem(tree->topLevelItem(i));
        } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
            for (int c = 0; c < table->columnCount(); ++c)
                TableItem(table->horizontalHeaderItem(c));
            for (int r = 0; r < table->rowCount(); ++r) {
                TableItem(table->verticalHeaderItem(r));
                for (int c = 0; c < table->columnCount(); ++c)
                    TableItem(table->item(r, c));
            }
        }
    }

    void TreeItem(QTreeWidgetItem* item) const {
        if (item == nullptr)
            return;
        for (int c = 0; c < item->columnCount(); ++c) {
            Text([&] { return item->text(c); }, [&](const QString& t) { item->setText(c, t); });
            Text([&] { return item->toolTip(c); }, [&](const QString& t) { item->setToolTip(c, t); });
        }
        for (int i = 0; i < item->childCount(); ++i)
            TreeItem(item->child(i));
    }

    void TableItem(QTableWidgetItem* item) const {
        if (item == nullptr)
            return;
        Text([&] { return item->text(); }, [&](const QString& t) { item->setText(t); });
        Text([&] { return item->toolTip(); }, [&](const QString& t) { item->setToolTip(t); });
    }

    // Each line of a text editor is a message id of its own. Lines are replaced in place so
    // that their formatting stays; the replacement is no step the user could undo.
    void Lines(QTextDocument* document) const {
        const bool undo = document->isUndoRedoEnabled();
        const bool modified = document->isModified();
        document->setUndoRedoEnabled(false);
        for (int n = 0; n < document->blockCount(); ++n) {
            const QTextBlock block = document->findBlockByNumber(n);
            const QString translated = Changed(block.text());
            if (translated.isNull())
                continue;
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.insertText(translated);
        }
        document->setUndoRedoEnabled(undo);
        document->setModified(modified);
    }

    const TextTranslation& translate_;
};

} // namespace

void TranslateWindow(QObject* window, const TextTranslation& translate) {
    if (window == nullptr ||
        window->findChild<QObject*>(kTranslatedMarker, Qt::FindDirectChildrenOnly) != nullptr)
        return;
    Walker(translate).Walk(window);
    auto* marker = new QObject(window);
    marker->setObjectName(kTranslatedMarker);
}

} // namespace bv
