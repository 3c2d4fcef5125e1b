#include "setup/engine/setup_engine.h"

#include "setup/engine/failing_changes_test.h"
#include "setup/engine/place_state.h"

#include <gtest/gtest.h>

#include <map>

namespace velmora {
namespace {

// A desktop in memory: each registration writes one place, named by its subject, and the record
// is one more. What stood at a place before set-up is kept in the record to give back.
class MemoryPlaces final : public SetupPlaces {
public:
  using Verdict = RecordReading::Verdict;
  std::map<std::string, std::string> places;
  std::vector<Registration> record;
  std::map<std::string, std::string> priors;
  Verdict verdict = Verdict::Sound;
  std::string unfitProgram; // a program that is not there
  std::string verifyWhy;
  Failures failures;
  int undoFailsAt = 0; // the undo numbered so (newest first) fails
  int undos = 0;
  std::string folder = "new";

  static std::string valueOf(const Registration &r, const std::string &in) {
    return in + "/" + r.program + (r.ini.empty() ? "" : " /ini=" + r.ini);
  }
  PlaceState stateOf(const Registration &r) const {
    auto at = places.find(r.subject);
    if (at == places.end())
      return PlaceState::Missing;
    if (at->second == valueOf(r, folder))
      return PlaceState::Velmoras;
    return at->second == valueOf(r, "old") ? PlaceState::VelmorasElsewhere : PlaceState::Users;
  }

  std::string recordName() const override { return "memory"; }
  RecordReading readRecord() override { return {verdict, "why", record}; }
  bool recordExists() const override { return !record.empty(); }
  int wanted(const SetupOptions &options, std::vector<Registration> &wanted,
             std::string &) override {
    for (const std::string &type : options.types)
      wanted.push_back({options.command, type, "velmora", options.ini});
    return kSetupDone;
  }
  std::string unfit(const Registration &r) const override {
    return r.program == unfitProgram ? r.program + " is not there" : "";
  }
  Registration carried(const Registration &r) const override {
    Registration now = r;
    if (r.ini.rfind("old/", 0) == 0 && stateOf(r) == PlaceState::VelmorasElsewhere)
      now.ini = "new/" + r.ini.substr(4);
    return now;
  }
  Standing standingOf(const Registration &r) const override {
    Standing standing;
    standing.lines = {"shared line", r.subject};
    standing.stale = needsRepair(stateOf(r));
    standing.fix = r.ini.empty() ? "" : "make " + r.ini;
    return standing;
  }
  bool put(const Registration &r, const Registration *was, SetupJournal &journal) override {
    if (was != nullptr && !repairWrites(stateOf(*was)))
      return true;
    auto at = places.find(r.subject);
    if (at != places.end() && stateOf(r) == PlaceState::Users && !priors.count(r.subject) &&
        !change(journal, priors, r.subject, at->second))
      return false;
    std::erase_if(record, [&r](const Registration &o) { return o.subject == r.subject; });
    record.push_back(r);
    return change(journal, places, r.subject, valueOf(r, folder));
  }
  bool takeOut(const Registration &r, SetupJournal &journal) override {
    std::erase_if(record, [&r](const Registration &o) { return o == r; });
    if (!removeGivesBack(stateOf(r)))
      return true;
    auto prior = priors.find(r.subject);
    return change(journal, places, r.subject,
                  prior == priors.end() ? std::nullopt : std::optional(prior->second));
  }
  bool finish(SetupJournal &) override { return true; }
  std::string verify(const std::vector<Registration> &) override { return verifyWhy; }
  std::string describe(const Registration &r) const override { return "open-with " + r.subject; }
  std::string noteAfter(const std::vector<Registration> &) const override { return ""; }

private:
  bool change(SetupJournal &journal, std::map<std::string, std::string> &in, const std::string &key,
              std::optional<std::string> value) {
    if (!failures.next())
      return journal.fail("could not write " + key, "disk full");
    std::optional<std::string> before;
    if (in.count(key))
      before = in[key];
    value ? void(in[key] = *value) : void(in.erase(key));
    journal.made([this, &in, key, before] {
      if (++undos == undoFailsAt)
        return false;
      before ? void(in[key] = *before) : void(in.erase(key));
      return true;
    });
    return true;
  }
};

SetupOptions command(Command c, std::vector<std::string> types = {}, std::string ini = "") {
  SetupOptions options;
  options.command = c;
  options.types = std::move(types);
  options.ini = std::move(ini);
  return options;
}

TEST(SetupEngine, ARecordItCannotGoByChangesNothing) {
  struct Case {
    MemoryPlaces::Verdict verdict;
    const char *said;
  };
  const Case cases[] = {
      {MemoryPlaces::Verdict::Unreadable, "why; nothing was changed"},
      {MemoryPlaces::Verdict::Foreign, "holds why, which velmora-setup never writes"},
      {MemoryPlaces::Verdict::Newer, "written by a newer velmora-setup: use that one; nothing"},
  };
  for (const Case &c : cases)
    for (Command each : {Command::OpenWith, Command::Status, Command::Repair, Command::Remove}) {
      MemoryPlaces desktop;
      desktop.record = {{Command::OpenWith, ".txt", "velmora", ""}};
      desktop.verdict = c.verdict;
      std::string out;
      EXPECT_EQ(runSetupEngine(command(each, {".png"}), desktop, out), kSetupFailed) << c.said;
      EXPECT_NE(out.find(c.said), std::string::npos) << out;
      EXPECT_TRUE(desktop.places.empty()) << c.said;
    }
}

// Every change of set-up and of remove fails in turn, or their undo does too: what stood before
// stands again, or the run says that it could not all be undone.
TEST(SetupEngine, AFailureAnywhereGivesEverythingBackOrSaysItCouldNot) {
  for (Command each : {Command::OpenWith, Command::Remove})
    for (int undoFails : {0, 1})
      for (int failAt = 1;; ++failAt) {
        MemoryPlaces desktop;
        desktop.places = {{".txt", "editor"}};
        if (each == Command::Remove) {
          std::string out;
          ASSERT_EQ(runSetupEngine(command(Command::OpenWith, {".txt", ".png"}), desktop, out),
                    kSetupDone);
        }
        auto before = desktop.places;
        auto priors = desktop.priors;
        desktop.failures = {0, failAt, 0};
        desktop.undoFailsAt = undoFails;
        std::string out;
        int status = runSetupEngine(command(each, {".txt", ".png"}), desktop, out);
        if (status == kSetupDone) {
          EXPECT_EQ(desktop.failures.changes, failAt - 1) << "each change failed once";
          break;
        }
        std::string said = undoFails && failAt > 1 ? "some of this run's changes could not be "
                                                     "undone"
                                                   : "(disk full); nothing was changed";
        EXPECT_NE(out.find(said), std::string::npos) << failAt << out;
        if (!undoFails || failAt == 1) {
          EXPECT_EQ(desktop.places, before) << failAt;
          EXPECT_EQ(desktop.priors, priors) << failAt;
        }
      }
}

TEST(SetupEngine, AddsOnlyWhatCanStandAndGivesBackWhatDoesNot) {
  MemoryPlaces desktop;
  desktop.unfitProgram = "velmora";
  std::string out;
  EXPECT_EQ(runSetupEngine(command(Command::OpenWith, {".txt"}), desktop, out), kSetupFailed);
  EXPECT_NE(out.find("velmora is not there; nothing was written"), std::string::npos) << out;
  desktop.unfitProgram.clear();
  desktop.verifyWhy = "GIO does not see it";
  EXPECT_EQ(runSetupEngine(command(Command::OpenWith, {".txt"}), desktop, out), kSetupFailed);
  EXPECT_NE(out.find("GIO does not see it; nothing was changed"), std::string::npos) << out;
  EXPECT_TRUE(desktop.places.empty());
}

// The user's later change stays through status, repair and remove; a lost place comes back and
// one of the old folder is pointed here; what stood before set-up comes back.
TEST(SetupEngine, TheUsersChangeStaysAndVelmorasIsPutRight) {
  MemoryPlaces desktop;
  desktop.places = {{".txt", "editor"}};
  std::string out;
  ASSERT_EQ(runSetupEngine(command(Command::OpenWith, {".txt", ".png", ".jpg"}, "old/a.ini"),
                           desktop, out),
            kSetupDone);
  desktop.places[".png"] = "viewer";                     // the user's
  desktop.places.erase(".jpg");                          // lost
  desktop.places[".txt"] = "old/velmora /ini=old/a.ini"; // the folder moved
  out.clear();
  EXPECT_EQ(runSetupEngine(command(Command::Status), desktop, out), kSetupFailed);
  EXPECT_EQ(out.find("shared line"), out.rfind("shared line")) << "told once: " << out;
  EXPECT_NE(out.find("Run \"velmora-setup repair\""), std::string::npos) << out;
  EXPECT_EQ(out.find("make old/a.ini"), out.rfind("make old/a.ini")) << out;
  out.clear();
  EXPECT_EQ(runSetupEngine(command(Command::Repair), desktop, out), kSetupDone);
  EXPECT_NE(out.find("the settings file old/a.ini is now new/a.ini"), std::string::npos) << out;
  EXPECT_NE(out.find("put back open-with .jpg"), std::string::npos) << out;
  EXPECT_EQ(desktop.places[".png"], "viewer");
  EXPECT_EQ(desktop.places[".jpg"], "new/velmora /ini=old/a.ini");
  out.clear();
  EXPECT_EQ(runSetupEngine(command(Command::Repair), desktop, out), kSetupDone);
  EXPECT_EQ(out, "nothing to repair\n");
  EXPECT_EQ(runSetupEngine(command(Command::Remove), desktop, out), kSetupDone);
  EXPECT_EQ(desktop.places,
            (std::map<std::string, std::string>{{".png", "viewer"}, {".txt", "editor"}}));
  out.clear();
  EXPECT_EQ(runSetupEngine(command(Command::Remove), desktop, out), kSetupDone);
  EXPECT_EQ(out, "velmora-setup has registered nothing for this user: nothing to remove\n");
}

} // namespace
} // namespace velmora
