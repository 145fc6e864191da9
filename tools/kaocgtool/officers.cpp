// kaocgtool officers list / officers set: the roster as the editor loads it,
// and changing faces with the editor's save.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/startup/Environment.h"
#include "facedata/Bushou.h"
#include "res/strings.h"
#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/ToolEnvironment.h"

namespace kaocgtool {
namespace {

bool ParseInt(const std::string& text, int* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno || *end || v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

// The roster as the document's load builds it: defaults, then the ID archive
// (a failed read keeps the defaults, as in the editor).
void LoadRoster(bushou_manager& roster, const ToolEnvironment& env) {
  roster.Init();
  roster.LoadFaces(env.userFolder);
}

int List(const Args& argsIn) {
  Args args = argsIn;
  ToolEnvironment env;
  if (!SetUpEnvironment(args, &env)) return 1;
  if (!args.empty()) return Fail("officers list takes no arguments besides the options");
  bushou_manager roster;
  LoadRoster(roster, env);
  for (int i = 0; i < roster.GetCount(); ++i) {
    const bushou* b = roster.GetOfficer(i);
    std::printf("%d\t%d\t%s\t%d\t%d\t%d\n", b->GetIndex(), b->GetSlot(), b->GetNameUtf8().c_str(),
                b->GetDefaultFace(), b->GetFace(), b->GetSavedFace());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Set(const Args& argsIn) {
  Args args = argsIn;
  ToolEnvironment env;
  if (!SetUpEnvironment(args, &env)) return 1;
  if (args.empty() || args.size() % 2) return Fail("usage: officers set SLOT FACE [SLOT FACE ...]");

  bushou_manager roster;
  LoadRoster(roster, env);
  std::map<int, bushou*> bySlot;
  for (int i = 0; i < roster.GetCount(); ++i) bySlot[roster.GetOfficer(i)->GetSlot()] = roster.GetOfficer(i);

  std::map<int, int> changes;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    int slot, face;
    if (!ParseInt(args[i], &slot)) return Fail("'" + args[i] + "' is not an ID slot");
    if (!ParseInt(args[i + 1], &face)) return Fail("'" + args[i + 1] + "' is not a face number");
    if (!bySlot.count(slot)) return Fail("no officer has the ID slot " + args[i]);
    if (slot == kaocg::kFixedSlotFaceZero || slot == kaocg::kFixedSlotFace6026)
      return Fail("the officer in slot " + args[i] + " always keeps face " +
                  std::to_string(bySlot[slot]->GetDefaultFace()));
    for (int size = kaocg::kFaceSizeSmall; size <= kaocg::kFaceSizeLarge; ++size)
      if (FaceToImageNumber(face, size) < 0)
        return Fail("the face number " + args[i + 1] + " has no picture");
    changes[slot] = face;
  }

  // As the save command: nothing is written while the game runs.
  if (!kaocg::CheckGameNotRunning([](int id) { Fail(res::LoadString(id)); })) return 1;
  for (const auto& [slot, face] : changes) bySlot[slot]->SetFace(face);
  if (!roster.SaveFaces(env.userFolder)) return Fail(res::LoadString(res::IDS_SAVE_FAILED));
  std::printf("%s\n", res::LoadString(res::IDS_SAVE_DONE));
  return 0;
}

const std::string kListUsage = std::string(
    "usage: kaocgtool officers list [options]\n"
    "Prints one tab-separated line per officer of the roster, after loading the\n"
    "face assignments as the editor does: officer index, ID slot, name, default\n"
    "face, face, saved face.\n\noptions:\n") + kEnvironmentOptions;
const std::string kSetUsage = std::string(
    "usage: kaocgtool officers set [options] SLOT FACE [SLOT FACE ...]\n"
    "Gives the officers with these ID slots these faces and saves the face\n"
    "assignments as the editor's save does (refused while the game runs).\n\noptions:\n") +
    kEnvironmentOptions;

KAOCG_COMMAND("officers list", "list the roster with every officer's faces", kListUsage.c_str(), &List);
KAOCG_COMMAND("officers set", "change officers' faces and save the assignments", kSetUsage.c_str(), &Set);

}  // namespace
}  // namespace kaocgtool
