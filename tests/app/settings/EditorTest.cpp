#include "app/model/RuleWords.h"
#include "app/settings/RuleEditorView.h"
#include "app/settings/RuleSentence.h"
#include "app/settings/RulesPane.h"
#include "app/settings/SettingsView.h"
#include "app/settings/SettingsWindowController.h"
#include "tests/app/settings/SettingsFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace dustlyn::testing {
namespace {

class Editor : public SettingsFixture {
protected:
    void SetUp() override {
        model_ = makeModel();
        controller_ = std::make_unique<SettingsWindowController>(*model_, services());
        controller_->show(SettingsPane::rules);
        settle();
    }
    RuleEditorView* editor() { return controller_->view()->editor(); }
    QWidget* rules() { return controller_->view()->pane(SettingsPane::rules); }
    QLineEdit* field(const QString& name) {
        for (auto* edit : editor()->findChildren<QLineEdit*>())
            if (edit->accessibleName() == name && edit->isVisibleTo(editor()))
                return edit;
        return nullptr;
    }
    void type(QLineEdit* edit, const QString& text) {
        ASSERT_TRUE(edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<AppModel> model_;
    std::unique_ptr<SettingsWindowController> controller_;
};

TEST_F(Editor, theSaveButtonFollowsValidityReturnAddsTheRuleAndEscapeCancels) {
    button(rules(), "New rule")->click();
    settle();
    ASSERT_TRUE(editor());
    QPushButton* save = editor()->saveButton();
    EXPECT_EQ(save->text(), "Add Rule");
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClick(field("Name"), Qt::Key_Return); // does nothing while the draft is invalid
    settle();
    ASSERT_TRUE(editor());
    type(field("Name"), "Logs");
    EXPECT_FALSE(save->isEnabled()); // the extension is still empty
    type(field("Extension"), "log");
    EXPECT_TRUE(save->isEnabled());
    for (const char* age : {"0", "-1", "abc", ""}) {
        SCOPED_TRACE(age);
        type(field("Age"), age);
        EXPECT_FALSE(save->isEnabled());
    }
    type(field("Age"), "2");
    EXPECT_TRUE(save->isEnabled());
    button(editor(), "Remove folder")->click();
    EXPECT_FALSE(save->isEnabled());
    button(editor(), "Add folder")->click();
    settle();
    EXPECT_TRUE(save->isEnabled());
    QTest::keyClick(field("Age"), Qt::Key_Return);
    settle();
    EXPECT_FALSE(editor());
    const auto rules = saved().rules;
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1].name, "Logs");
    EXPECT_EQ(rules[1].folders, std::vector<std::string>{"~/"});
    EXPECT_EQ(rules[1].matchers, std::vector<FileMatcher>{FileMatcher::extensionMatch("log")});
    EXPECT_EQ(rules[1].ageThreshold, 7200);

    button(this->rules(), "New rule")->click();
    settle();
    type(field("Name"), "Half typed");
    QTest::keyClick(field("Name"), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(editor());
    EXPECT_EQ(saved().rules, rules);
}

TEST_F(Editor, editingARuleReplacesItInPlace) {
    RuleSentence* sentence = static_cast<RulesPane*>(rules())->sentences().at(0);
    choose(button(sentence, "More"), "Edit…");
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->saveButton()->text(), "Save");
    EXPECT_EQ(field("Age")->text(), "1");
    EXPECT_EQ(editor()->findChild<QComboBox*>("Unit")->currentText(), "minutes");
    type(field("Name"), "Pictures");
    auto* kind = editor()->findChild<QComboBox*>("Matcher kind");
    kind->setCurrentIndex(2); // "Any file": its text field goes away
    EXPECT_FALSE(field("Glob pattern"));
    button(editor(), "Add matcher")->click();
    settle();
    type(field("Extension"), "jpg");
    editor()->saveButton()->click();
    settle();
    const auto rules = saved().rules;
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].id, ruleID_);
    EXPECT_EQ(rules[0].name, "Pictures");
    EXPECT_EQ(rules[0].matchers, (std::vector<FileMatcher>{FileMatcher::anyFile(),
                                                           FileMatcher::extensionMatch("jpg")}));
    EXPECT_EQ(RuleWords::text(rules[0]), "Move pictures from Desktop after 1 min");
}

} // namespace
} // namespace dustlyn::testing
