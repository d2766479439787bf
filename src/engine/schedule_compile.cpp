// Compiling a device list into a schedule: the connectors and who feeds whom, the feedback
// loops and levels, and a step per level and type.
#include <algorithm>
#include <iterator>
#include <limits>
#include <map>
#include <unordered_map>
#include <utility>

#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "engine/schedule_steps.h"

namespace {
using schedule_steps::BatchStep;
using schedule_steps::LoopStep;

// Connectors of the device list, and which device feeds which.
struct Graph {
  std::vector<TPorts> ports;
  std::vector<std::vector<NTPlugIn*>> ins;
  std::vector<std::vector<uint32_t>> sources;  // per device: the devices feeding it (not itself)
  std::vector<char> feedsItself;
  std::vector<NTPlugOut*> outputs{nullptr};  // by slot
  std::vector<uint32_t> deviceOf{0};         // by slot
};

bool Build(std::span<NTDevWin* const> devices, Graph& g) {
  const size_t n = devices.size();
  g.ports.resize(n);
  g.ins.resize(n);
  g.sources.resize(n);
  g.feedsItself.assign(n, 0);
  std::unordered_map<const NTPlugOut*, int32_t> slotOf;
  for (uint32_t i = 0; i < n; ++i)
    for (NTWin* c = devices[i]->FirstChild; c; c = c->Next) {
      if (auto* out = dynamic_cast<NTPlugOut*>(c)) {
        const auto slot = int32_t(g.outputs.size());
        slotOf.emplace(out, slot);
        g.ports[i].Out.push_back(slot);
        g.outputs.push_back(out);
        g.deviceOf.push_back(i);
      } else if (auto* in = dynamic_cast<NTPlugIn*>(c)) {
        g.ins[i].push_back(in);
      }
    }
  for (uint32_t i = 0; i < n; ++i)
    for (NTPlugIn* in : g.ins[i]) {
      int32_t slot = 0;
      if (const NTPlugOut* s = in->Source.Get()) {
        const auto it = slotOf.find(s);
        if (it == slotOf.end()) return false;
        slot = it->second;
        const uint32_t j = g.deviceOf[size_t(slot)];
        if (j == i)
          g.feedsItself[i] = 1;
        else
          g.sources[i].push_back(j);
      }
      g.ports[i].In.push_back(slot);
    }
  return true;
}

// Strongly connected components of the source relation (Tarjan, without recursion so that long
// chains cannot exhaust the stack). Components come out sources first: every device feeding a
// component lies in an earlier one or in the component itself.
std::vector<std::vector<uint32_t>> Components(const std::vector<std::vector<uint32_t>>& sources) {
  const size_t n = sources.size();
  std::vector<int64_t> index(n, -1), low(n, 0);
  std::vector<char> onStack(n, 0);
  std::vector<uint32_t> stack;
  std::vector<std::pair<uint32_t, size_t>> calls;  // device, next source to visit
  std::vector<std::vector<uint32_t>> comps;
  int64_t counter = 0;
  const auto enter = [&](uint32_t v) {
    index[v] = low[v] = counter++;
    stack.push_back(v);
    onStack[v] = 1;
    calls.push_back({v, 0});
  };
  for (uint32_t root = 0; root < n; ++root) {
    if (index[root] >= 0) continue;
    enter(root);
    while (!calls.empty()) {
      const uint32_t v = calls.back().first;
      const size_t next = calls.back().second;
      if (next < sources[v].size()) {
        ++calls.back().second;
        const uint32_t w = sources[v][next];
        if (index[w] < 0)
          enter(w);
        else if (onStack[w])
          low[v] = std::min(low[v], index[w]);
        continue;
      }
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[v]);
      if (low[v] != index[v]) continue;
      std::vector<uint32_t>& comp = comps.emplace_back();
      uint32_t w;
      do {
        w = stack.back();
        stack.pop_back();
        onStack[w] = 0;
        comp.push_back(w);
      } while (w != v);
      std::sort(comp.begin(), comp.end());
    }
  }
  return comps;
}

// The loop step of one level's loop devices, ordered along their connections: breadth first from
// each member not yet placed, every device before those it feeds.
template <class MakeBatch>
std::unique_ptr<LoopStep> MakeLoopStep(const std::vector<uint32_t>& devices, const Graph& g,
                                       const std::vector<char>& waitsForItself,
                                       const MakeBatch& batch) {
  std::unordered_map<uint32_t, uint32_t> indexOf;
  for (uint32_t m = 0; m < devices.size(); ++m) indexOf.emplace(devices[m], m);
  std::vector<std::vector<uint32_t>> feeds(devices.size());
  for (uint32_t m = 0; m < devices.size(); ++m)
    for (uint32_t source : g.sources[devices[m]])
      if (const auto it = indexOf.find(source); it != indexOf.end()) feeds[it->second].push_back(m);
  std::vector<uint32_t> order;
  std::vector<char> placed(devices.size(), 0);
  for (uint32_t root = 0; root < devices.size(); ++root) {
    if (placed[root]) continue;
    placed[root] = 1;
    order.push_back(root);
    for (size_t next = order.size() - 1; next < order.size(); ++next)
      for (uint32_t m : feeds[order[next]])
        if (!placed[m]) {
          placed[m] = 1;
          order.push_back(m);
        }
  }
  std::vector<uint32_t> position(devices.size());
  for (uint32_t p = 0; p < order.size(); ++p) position[order[p]] = p;
  auto step = std::make_unique<LoopStep>();
  for (uint32_t m : order) {
    const uint32_t d = devices[m];
    LoopStep::Member& member = step->members.emplace_back();
    member.batch = batch(std::span(&devices[m], 1));
    if (waitsForItself[d]) member.sources.push_back(position[m]);
    for (uint32_t source : g.sources[d])
      if (const auto it = indexOf.find(source); it != indexOf.end())
        member.sources.push_back(position[it->second]);
  }
  step->done.resize(order.size());
  return step;
}
}  // namespace

std::unique_ptr<TSchedule> TSchedule::Compile(std::span<NTDevWin* const> devices,
                                              TKernelLookup kernels, uint64_t version,
                                              int threads) {
  Graph g;
  if (!Build(devices, g)) return nullptr;
  const size_t n = devices.size();

  // Each device's level: one more than the highest level feeding its component.
  const auto comps = Components(g.sources);
  std::vector<int64_t> level(n, 0);
  std::vector<char> inLoop(n, 0);
  for (const auto& comp : comps) {
    int64_t l = 0;
    for (uint32_t v : comp)
      for (uint32_t w : g.sources[v])
        if (!std::binary_search(comp.begin(), comp.end(), w)) l = std::max(l, level[w] + 1);
    for (uint32_t v : comp) {
      level[v] = l;
      inLoop[v] = comp.size() > 1 || g.feedsItself[v];
    }
  }

  // Steps by level; at one level, a batch per type and one step for the loops. Sinks last.
  constexpr int64_t kLoops = std::numeric_limits<int64_t>::max();
  constexpr int64_t kSinks = std::numeric_limits<int64_t>::max();
  std::map<std::pair<int64_t, int64_t>, std::vector<uint32_t>> groups;
  std::vector<char> waitsForItself(n);
  for (uint32_t i = 0; i < n; ++i) {
    const TKernel* k = kernels(devices[i]->Type);
    if (!k) return nullptr;
    waitsForItself[i] = g.feedsItself[i] && !k->Sequential;
    const int64_t l = k->Sink ? kSinks : level[i];
    groups[{l, inLoop[i] ? kLoops : int64_t(devices[i]->Type)}].push_back(i);
  }

  std::unique_ptr<TSchedule> s(new TSchedule(version, g.outputs.size()));
  s->outputs_ = g.outputs;
  for (uint32_t i = 0; i < n; ++i)
    for (size_t k = 0; k < g.ins[i].size(); ++k)
      s->wiring_.push_back({g.ins[i][k], g.outputs[size_t(g.ports[i].In[k])]});

  // A batch of the given devices, all of one type, whose inputs latch as its kernel says.
  const auto batch = [&](std::span<const uint32_t> members) {
    std::vector<NTDevWin*> ds;
    std::vector<TPorts> ports;
    const TKernel* k = kernels(devices[members[0]]->Type);
    for (uint32_t i : members) {
      ds.push_back(devices[i]);
      ports.push_back(g.ports[i]);
      if (k->Inputs == TKernel::Latch::None) continue;
      for (size_t p = 0; p < g.ins[i].size(); ++p)
        s->latchBack_.push_back({g.ins[i][p], g.ports[i].In[p], k->Inputs});
    }
    return k->Make(ds, ports);
  };
  const auto add = [&](std::unique_ptr<Step> step) {
    s->parts_.push_back(step.get());
    s->steps_.push_back(std::move(step));
    ++s->levels_.back().Count;
  };
  for (auto group = groups.begin(); group != groups.end(); ++group) {
    const auto& [key, members] = *group;
    if (group == groups.begin() || std::prev(group)->first.first != key.first)
      s->levels_.push_back(
          {uint32_t(s->steps_.size()), 0, std::numeric_limits<double>::infinity()});
    if (key.second == kLoops) {
      add(MakeLoopStep(members, g, waitsForItself, batch));
      continue;
    }
    // A batch of several devices is cut into up to `threads` parts of nearly equal size; not the
    // sinks', whose devices write in list order.
    const size_t n = members.size();
    const size_t cuts = key.first == kSinks ? 1 : std::clamp(size_t(threads), size_t(1), n);
    for (size_t c = 0; c < cuts; ++c) {
      const size_t from = n * c / cuts, to = n * (c + 1) / cuts;
      add(std::make_unique<BatchStep>(batch(std::span(members).subspan(from, to - from))));
    }
  }
  return s;
}
