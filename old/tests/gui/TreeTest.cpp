// The highscore tree: what a rebuild shows, check boxes by mouse and keyboard, and reading
// the checked entries for a publish run.
#include "GuiTestSupport.h"
#include "app/CheckTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "scores/HighscoreSource.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

class TreeTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenWindow(QSize(800, 600)));
    }

    CHighscoreSource* AddSource(const std::string& title, std::int32_t game) {
        auto source = std::make_unique<CHighscoreSource>(&app.collection, "salt", title, 25);
        source->table.title = title;
        source->table.gameNumber = game;
        app.collection.sources.push_back(std::move(source));
        return app.collection.sources.back().get();
    }

    static TreeBranch Branch(CHighscoreSource* source, std::vector<std::uint32_t> indices) {
        TreeBranch branch;
        branch.source = source;
        branch.title = source->GetTitle();
        branch.gameNumber = source->GetGameNumber();
        for (std::uint32_t index : indices)
            branch.entries.push_back({index, "Entry " + std::to_string(index), true});
        return branch;
    }

    QTreeWidgetItem* Root() const { return view->Tree()->topLevelItem(0); }

    void ClickItem(QTreeWidgetItem* item, int fromLeftOfHitRect = -1) {
        CCheckTreeCtrl* tree = view->Tree();
        const QRect hit = tree->HitRect(item);
        ASSERT_FALSE(hit.isEmpty());
        const QPoint point = fromLeftOfHitRect < 0
                                 ? hit.center()
                                 : QPoint(hit.left() + fromLeftOfHitRect, hit.center().y());
        Click(tree->viewport(), point);
    }
};

TEST_F(TreeTest, RebuildShowsRootSourcesAndCheckedEntries) {
    CHighscoreSource* vondrel = AddSource("Zelk Vondrel", 1);
    CHighscoreSource* stranger = AddSource("Someone's game", 99);
    CHighscoreSource* chomplet = AddSource("Chomplet Shifter High", 24);
    view->RebuildTree({Branch(vondrel, {1, 3}), Branch(stranger, {0}), Branch(chomplet, {})});

    CCheckTreeCtrl* tree = view->Tree();
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->isVisible());
    EXPECT_EQ(tree->geometry(), view->contentsRect());
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = Root();
    EXPECT_EQ(root->text(0), "Pocket PC/Smartphone Highscores");
    EXPECT_EQ(tree->GetStateImage(root), STATE_NONE);
    EXPECT_TRUE(root->icon(0).isNull());
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 3);

    QTreeWidgetItem* first = root->child(0);
    EXPECT_EQ(first->text(0), "Zelk Vondrel");
    EXPECT_EQ(tree->GetStateImage(first), 4);
    EXPECT_EQ(first->data(0, CCheckTreeCtrl::kItemDataRole).value<quintptr>(),
              reinterpret_cast<quintptr>(vondrel));
    EXPECT_TRUE(first->isExpanded());
    ASSERT_EQ(first->childCount(), 2);
    EXPECT_EQ(first->child(0)->data(0, CCheckTreeCtrl::kItemDataRole).toUInt(), 1u)
        << "an entry keeps its record index";
    EXPECT_EQ(first->child(1)->data(0, CCheckTreeCtrl::kItemDataRole).toUInt(), 3u);
    EXPECT_EQ(tree->GetStateImage(first->child(0)), STATE_CHECKED);

    EXPECT_EQ(tree->GetStateImage(root->child(1)), STATE_GAME_FALLBACK) << "unknown game";
    EXPECT_EQ(tree->GetStateImage(root->child(2)), 10) << "every puzzle table shares an icon";
    EXPECT_EQ(root->child(2)->childCount(), 0) << "an empty table keeps its branch";
    EXPECT_TRUE(frame->Actions().publish->isEnabled());
}

TEST_F(TreeTest, NoBranchesMeansNoTreeAndThePictureAgain) {
    CHighscoreSource* source = AddSource("Zelk Deminar", 5);
    view->RebuildTree({Branch(source, {0})});
    ASSERT_NE(view->Tree(), nullptr);
    view->RebuildTree({});
    EXPECT_EQ(view->Tree(), nullptr);
    EXPECT_FALSE(frame->Actions().publish->isEnabled());
    EXPECT_TRUE(view->findChildren<CCheckTreeCtrl*>().isEmpty()) << "the old tree is deleted";
}

TEST_F(TreeTest, ClickOnLabelOrIconTogglesEntriesOnly) {
    CHighscoreSource* source = AddSource("Zelk Marbelo", 3);
    view->RebuildTree({Branch(source, {0, 1})});
    CCheckTreeCtrl* tree = view->Tree();
    QTreeWidgetItem* branch = Root()->child(0);
    QTreeWidgetItem* entry = branch->child(0);

    ClickItem(entry); // the label
    EXPECT_FALSE(tree->IsChecked(entry));
    EXPECT_EQ(tree->GetStateImage(entry), STATE_UNCHECKED);
    ClickItem(entry, 3); // the box
    EXPECT_TRUE(tree->IsChecked(entry));
    EXPECT_TRUE(tree->IsChecked(branch->child(1))) << "no effect on the neighbour";

    ClickItem(branch, 3); // the game icon of a source
    ClickItem(branch);
    EXPECT_EQ(tree->GetStateImage(branch), 6);
    EXPECT_TRUE(tree->IsChecked(entry)) << "no propagation between levels";
    ClickItem(Root());
    EXPECT_EQ(tree->GetStateImage(Root()), STATE_NONE);
}

TEST_F(TreeTest, ClickBesideTheLabelOrWithAnotherButtonChangesNothing) {
    CHighscoreSource* source = AddSource("Zelk Quilbit", 2);
    view->RebuildTree({Branch(source, {0})});
    CCheckTreeCtrl* tree = view->Tree();
    QTreeWidgetItem* entry = Root()->child(0)->child(0);
    const QRect hit = tree->HitRect(entry);
    ASSERT_LT(hit.right() + 20, tree->viewport()->width());

    Click(tree->viewport(), QPoint(hit.right() + 20, hit.center().y()));
    EXPECT_TRUE(tree->IsChecked(entry));
    SendMouse(tree->viewport(), QEvent::MouseButtonRelease, hit.center(), Qt::RightButton);
    EXPECT_TRUE(tree->IsChecked(entry));
}

TEST_F(TreeTest, SpaceTogglesTheCurrentEntry) {
    CHighscoreSource* source = AddSource("Zelk Solvane", 4);
    view->RebuildTree({Branch(source, {2})});
    CCheckTreeCtrl* tree = view->Tree();
    QTreeWidgetItem* entry = Root()->child(0)->child(0);
    auto pressSpace = [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(tree, &press);
    };
    tree->setCurrentItem(entry);
    pressSpace();
    EXPECT_FALSE(tree->IsChecked(entry));
    pressSpace();
    EXPECT_TRUE(tree->IsChecked(entry));

    tree->setCurrentItem(Root()->child(0));
    pressSpace();
    EXPECT_EQ(tree->GetStateImage(Root()->child(0)), 5) << "a source has no box";
}

TEST_F(TreeTest, CheckedEntriesBecomeEachSourcesChosenList) {
    CHighscoreSource* first = AddSource("A", 1);
    CHighscoreSource* second = AddSource("B", 2);
    CHighscoreSource* third = AddSource("C", 3);
    second->AddChosen(7); // left over from an earlier run
    view->RebuildTree({Branch(first, {0, 2, 5}), Branch(second, {1}), Branch(third, {4})});
    CCheckTreeCtrl* tree = view->Tree();
    tree->SetCheck(Root()->child(0)->child(1), false);
    tree->SetCheck(Root()->child(1)->child(0), false);

    const std::vector<CHighscoreSource*> selected = view->ReadCheckedSources();
    EXPECT_EQ(selected, (std::vector<CHighscoreSource*>{first, third}));
    EXPECT_EQ(first->Chosen(), (std::vector<std::uint32_t>{0, 5}));
    EXPECT_FALSE(second->HasChosen()) << "cleared although it takes no part";
    EXPECT_EQ(third->Chosen(), (std::vector<std::uint32_t>{4}));
}

TEST_F(TreeTest, ARebuildChecksEverythingAgain) {
    CHighscoreSource* source = AddSource("Zelk Courtwise", 6);
    view->RebuildTree({Branch(source, {0, 1})});
    view->Tree()->SetCheck(Root()->child(0)->child(0), false);
    view->RebuildTree({Branch(source, {0, 1})});
    EXPECT_TRUE(view->Tree()->IsChecked(Root()->child(0)->child(0)));
    EXPECT_EQ(view->findChildren<CCheckTreeCtrl*>().size(), 1);
}

TEST_F(TreeTest, AClickOnTheWelcomePictureIsIgnoredOnceTheTreeExists) {
    int prepared = 0;
    app.deviceFactory = [&](const QString& folder) {
        ++prepared;
        return CreateDevice(folder);
    };
    CHighscoreSource* source = AddSource("Zelk Vondrel", 1);
    view->RebuildTree({Branch(source, {0})});
    Click(view, view->HotSpotRect().center());
    EXPECT_FALSE(view->IsBusy());
    EXPECT_EQ(prepared, 0);
}

} // namespace
