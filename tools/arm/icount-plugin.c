/* Instruction counter for qemu-arm (a TCG plugin): counts the executed guest
 * instructions of a program, split by code region and by phase of the program's run.
 *
 *   qemu-arm -plugin build/libicount.so,regions=FILE,marks=FILE,out=FILE PROGRAM
 *
 * Code regions: every translated block is classed once, when it is translated, by the
 * file its code is mapped from (the host process's /proc/self/maps: in user-mode
 * emulation the guest's files are mapped into qemu's own address space) and by the
 * address ranges of the regions file (the mappings are read again after every guest
 * system call that maps, moves or unmaps memory):
 *
 *   file PREFIX LOAD_VADDR DEFAULT_REGION          a file whose base name starts with PREFIX
 *   range PREFIX START END REGION                  [START, END) in the file's link addresses
 *
 * A link address is the guest address less the address at which the file's first
 * mapping (file offset 0) was placed, plus LOAD_VADDR (the first loadable segment's
 * address: 0 for shared libraries and position-independent programs). Code of files
 * not named there is class "other". Blocks are counted by an inline add of their
 * length to their region's total, so counting costs little more than the block itself.
 *
 * Phases: the marks file names code addresses (link addresses of the program's own
 * file, the first "file" line of the marks file) at which the phase changes:
 *
 *   exe PREFIX
 *   ADDR frame PHASE              a new frame begins: the stack becomes [PHASE]
 *   ADDR set PHASE [IF_TOP]       the top of the phase stack becomes PHASE
 *   ADDR push PHASE [IF_TOP]      PHASE is pushed
 *   ADDR pop [IF_TOP]             the top is popped
 *
 * With IF_TOP the mark acts only while the top of the stack is that phase. A mark
 * address is the first instruction of a translated block: a function's entry, or the
 * instruction after a call (reached by the return). A block that starts at a mark runs
 * a callback instead of the inline add: it acts on the stack, and then counts its own
 * instructions into the new phase. The region totals are read at every phase change;
 * their growth since the previous change is added to the phase that ends.
 *
 * Output (the out file, written at the end and at every frame):
 *   F N PHASE=COUNT ...            totals of frame N by phase
 *   R N PHASE REGION=COUNT ...     frame N's totals of one phase by region
 *   T PHASE COUNT                  whole-run total of a phase (the frames' phases too)
 *   TR PHASE REGION COUNT          whole-run total of a phase in one region
 *   V VCPUS                        the number of guest threads seen
 * Guest threads share the totals: the counted program keeps one thread running while
 * it is counted (the demo's benchmark stops its music first).
 */
#include <inttypes.h>
#include <pthread.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <qemu-plugin.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

enum { kMaxRegions = 1024, kMaxPhases = 64, kMaxStack = 32, kMaxName = 96 };

/* ---- Names ------------------------------------------------------------------------- */

static char region_names[kMaxRegions][kMaxName];
static int n_regions;
static char phase_names[kMaxPhases][kMaxName];
static int n_phases;

static int intern(char (*names)[kMaxName], int *n, int max, const char *name) {
  for (int i = 0; i < *n; ++i) {
    if (strcmp(names[i], name) == 0) return i;
  }
  if (*n >= max) {
    fprintf(stderr, "icount: too many names (at %s)\n", name);
    exit(2);
  }
  snprintf(names[*n], kMaxName, "%s", name);
  return (*n)++;
}

static int region_id(const char *name) {
  return intern(region_names, &n_regions, kMaxRegions, name);
}
static int phase_id(const char *name) { return intern(phase_names, &n_phases, kMaxPhases, name); }

/* ---- Files and address ranges ------------------------------------------------------- */

struct file_rule {
  char prefix[kMaxName];
  uint64_t load_vaddr;
  int default_region;
};
struct range {
  int file;  /* index into rules */
  uint64_t start, end;
  int region;
};

static struct file_rule rules[64];
static int n_rules;
static struct range *ranges;
static size_t n_ranges, cap_ranges;

/* One mapping of the host process, with the guest address its file offset 0 lies at. */
struct mapping {
  uintptr_t host_start, host_end;
  int rule;          /* -1: no rule names the file */
  uint64_t base;     /* guest address of the file's offset 0 */
  bool base_known;
};
static struct mapping *maps;
static size_t n_maps;
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int other_region;
/* Set by every guest system call that may map a file; the next translation rereads. */
static int maps_stale = 1;

static const char *base_name(const char *path) {
  const char *s = strrchr(path, '/');
  return s ? s + 1 : path;
}

static int rule_of(const char *path) {
  const char *b = base_name(path);
  for (int i = 0; i < n_rules; ++i) {
    if (strncmp(b, rules[i].prefix, strlen(rules[i].prefix)) == 0) return i;
  }
  return -1;
}

/* Rereads /proc/self/maps (new libraries are mapped while the program runs). Guest
 * address = host address - guest_base. */
static void read_maps(uintptr_t guest_base) {
  FILE *f = fopen("/proc/self/maps", "r");
  if (f == NULL) {
    perror("icount: /proc/self/maps");
    exit(2);
  }
  free(maps);
  maps = NULL;
  n_maps = 0;
  size_t cap = 0;
  char line[4096];
  while (fgets(line, sizeof line, f) != NULL) {
    unsigned long lo, hi, off;
    char perms[8];
    int pos = 0;
    if (sscanf(line, "%lx-%lx %7s %lx %*s %*s%n", &lo, &hi, perms, &off, &pos) < 4) continue;
    char *path = line + pos;
    while (*path == ' ') ++path;
    path[strcspn(path, "\n")] = '\0';
    if (n_maps == cap) {
      cap = cap ? 2 * cap : 256;
      maps = realloc(maps, cap * sizeof *maps);
      if (maps == NULL) exit(2);
    }
    struct mapping *m = &maps[n_maps++];
    m->host_start = lo;
    m->host_end = hi;
    m->rule = path[0] == '/' ? rule_of(path) : -1;
    m->base_known = false;
    m->base = 0;
    if (m->rule >= 0) {
      /* The file's offset-0 mapping is the first one of the same file at or below. */
      for (size_t j = n_maps - 1; j-- > 0;) {
        if (maps[j].rule == m->rule && maps[j].host_start <= lo) {
          if (maps[j].base_known) {
            m->base = maps[j].base;
            m->base_known = true;
            break;
          }
        }
      }
      if (off == 0) {
        m->base = (uint64_t)(lo - guest_base);
        m->base_known = true;
      }
    }
  }
  fclose(f);
}

static const struct mapping *find_map(uintptr_t host) {
  for (size_t i = 0; i < n_maps; ++i) {
    if (host >= maps[i].host_start && host < maps[i].host_end) return &maps[i];
  }
  return NULL;
}

/* The region of a block, and its link address in its file (UINT64_MAX if unknown). */
static int classify(uintptr_t host, uint64_t vaddr, int *rule, uint64_t *link) {
  const uintptr_t guest_base = host - (uintptr_t)vaddr;
  if (__atomic_exchange_n(&maps_stale, 0, __ATOMIC_ACQ_REL)) read_maps(guest_base);
  const struct mapping *m = find_map(host);
  *rule = -1;
  *link = UINT64_MAX;
  if (m == NULL || m->rule < 0 || !m->base_known) return other_region;
  *rule = m->rule;
  *link = vaddr - m->base + rules[m->rule].load_vaddr;
  for (size_t i = 0; i < n_ranges; ++i) {
    if (ranges[i].file == m->rule && *link >= ranges[i].start && *link < ranges[i].end) {
      return ranges[i].region;
    }
  }
  return rules[m->rule].default_region;
}

/* ---- Marks and phases ---------------------------------------------------------------- */

enum action { kFrame, kSet, kPush, kPop };
struct mark {
  uint64_t link;
  enum action action;
  int phase;   /* kFrame, kSet, kPush */
  int if_top;  /* -1: always */
};
static struct mark marks[1024];
static int n_marks;
static int exe_rule = -1;

/* Running totals by region, and what they were at the last phase change. */
static uint64_t total[kMaxRegions];
static uint64_t snap[kMaxRegions];
/* Accumulated by phase and region: the whole run, and the current frame. */
static uint64_t run_acc[kMaxPhases][kMaxRegions];
static uint64_t frame_acc[kMaxPhases][kMaxRegions];
static int stack[kMaxStack];
static int depth;
static int64_t frame = -1;
static FILE *out;
static int vcpus;

static void settle(void) {
  const int p = stack[depth - 1];
  for (int r = 0; r < n_regions; ++r) {
    const uint64_t d = total[r] - snap[r];
    run_acc[p][r] += d;
    frame_acc[p][r] += d;
    snap[r] = total[r];
  }
}

static void write_frame(void) {
  if (frame < 0) {
    memset(frame_acc, 0, sizeof frame_acc);
    return;
  }
  fprintf(out, "F %" PRId64, frame);
  for (int p = 0; p < n_phases; ++p) {
    uint64_t s = 0;
    for (int r = 0; r < n_regions; ++r) s += frame_acc[p][r];
    if (s != 0) fprintf(out, " %s=%" PRIu64, phase_names[p], s);
  }
  fputc('\n', out);
  for (int p = 0; p < n_phases; ++p) {
    bool any = false;
    for (int r = 0; r < n_regions; ++r) {
      if (frame_acc[p][r] == 0) continue;
      if (!any) fprintf(out, "R %" PRId64 " %s", frame, phase_names[p]);
      any = true;
      fprintf(out, " %s=%" PRIu64, region_names[r], frame_acc[p][r]);
    }
    if (any) fputc('\n', out);
  }
  memset(frame_acc, 0, sizeof frame_acc);
}

struct block {
  const struct mark *mark;
  int region;
  uint64_t n;
};

static void on_mark(unsigned int vcpu, void *udata) {
  (void)vcpu;
  const struct block *b = udata;
  const struct mark *m = b->mark;
  if (m->if_top < 0 || stack[depth - 1] == m->if_top) {
    settle();
    switch (m->action) {
      case kFrame:
        write_frame();
        frame += 1;
        depth = 1;
        stack[0] = m->phase;
        break;
      case kSet: stack[depth - 1] = m->phase; break;
      case kPush:
        if (depth == kMaxStack) {
          fprintf(stderr, "icount: phase stack overflow\n");
          exit(2);
        }
        stack[depth++] = m->phase;
        break;
      case kPop:
        if (depth > 1) depth -= 1;
        break;
    }
  }
  total[b->region] += b->n;
}

static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb *tb) {
  (void)id;
  const size_t n = qemu_plugin_tb_n_insns(tb);
  if (n == 0) return;
  struct qemu_plugin_insn *first = qemu_plugin_tb_get_insn(tb, 0);
  const uint64_t vaddr = qemu_plugin_tb_vaddr(tb);
  pthread_mutex_lock(&lock);
  int rule;
  uint64_t link;
  const int region = classify((uintptr_t)qemu_plugin_insn_haddr(first), vaddr, &rule, &link);
  const struct mark *mark = NULL;
  if (rule >= 0 && rule == exe_rule) {
    for (int i = 0; i < n_marks; ++i) {
      if (marks[i].link == link) mark = &marks[i];
    }
  }
  pthread_mutex_unlock(&lock);
  if (mark == NULL) {
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &total[region], n);
    return;
  }
  /* Kept for the whole run: a block may be translated again after a flush. */
  struct block *b = malloc(sizeof *b);
  if (b == NULL) exit(2);
  b->mark = mark;
  b->region = region;
  b->n = n;
  qemu_plugin_register_vcpu_tb_exec_cb(tb, on_mark, QEMU_PLUGIN_CB_NO_REGS, b);
}

/* mmap2, mremap, mprotect and munmap of the ARM Linux system call table (EABI): the
 * host's mappings are read again before the next block is classed. */
static void on_syscall_ret(qemu_plugin_id_t id, unsigned int vcpu, int64_t num, int64_t ret) {
  (void)id;
  (void)vcpu;
  (void)ret;
  if (num == 192 || num == 163 || num == 125 || num == 91) {
    __atomic_store_n(&maps_stale, 1, __ATOMIC_RELEASE);
  }
}

static void on_vcpu_init(qemu_plugin_id_t id, unsigned int vcpu) {
  (void)id;
  (void)vcpu;
  __atomic_add_fetch(&vcpus, 1, __ATOMIC_RELAXED);
}

static void on_run_end(qemu_plugin_id_t id, void *udata) {
  (void)id;
  (void)udata;
  settle();
  write_frame();
  for (int p = 0; p < n_phases; ++p) {
    uint64_t s = 0;
    for (int r = 0; r < n_regions; ++r) s += run_acc[p][r];
    fprintf(out, "T %s %" PRIu64 "\n", phase_names[p], s);
    for (int r = 0; r < n_regions; ++r) {
      if (run_acc[p][r] != 0) {
        fprintf(out, "TR %s %s %" PRIu64 "\n", phase_names[p], region_names[r], run_acc[p][r]);
      }
    }
  }
  fprintf(out, "V %d\n", vcpus);
  fclose(out);
}

/* ---- Argument files ---------------------------------------------------------------- */

static FILE *open_or_die(const char *path, const char *mode) {
  FILE *f = fopen(path, mode);
  if (f == NULL) {
    fprintf(stderr, "icount: cannot open %s\n", path);
    exit(2);
  }
  return f;
}

static int rule_named(const char *prefix) {
  for (int i = 0; i < n_rules; ++i) {
    if (strcmp(rules[i].prefix, prefix) == 0) return i;
  }
  return -1;
}

static void read_regions(const char *path) {
  FILE *f = open_or_die(path, "r");
  char line[1024], a[kMaxName], b[kMaxName], c[kMaxName];
  uint64_t x, y;
  while (fgets(line, sizeof line, f) != NULL) {
    if (sscanf(line, "file %95s %" SCNx64 " %95s", a, &x, b) == 3) {
      if (n_rules == (int)(sizeof rules / sizeof rules[0])) exit(2);
      snprintf(rules[n_rules].prefix, kMaxName, "%s", a);
      rules[n_rules].load_vaddr = x;
      rules[n_rules].default_region = region_id(b);
      n_rules += 1;
    } else if (sscanf(line, "range %95s %" SCNx64 " %" SCNx64 " %95s", a, &x, &y, c) == 4) {
      const int r = rule_named(a);
      if (r < 0) {
        fprintf(stderr, "icount: range for unnamed file %s\n", a);
        exit(2);
      }
      if (n_ranges == cap_ranges) {
        cap_ranges = cap_ranges ? 2 * cap_ranges : 1024;
        ranges = realloc(ranges, cap_ranges * sizeof *ranges);
        if (ranges == NULL) exit(2);
      }
      ranges[n_ranges++] = (struct range){r, x, y, region_id(c)};
    } else if (line[0] != '#' && line[0] != '\n') {
      fprintf(stderr, "icount: bad line in %s: %s", path, line);
      exit(2);
    }
  }
  fclose(f);
}

static void read_marks(const char *path) {
  FILE *f = open_or_die(path, "r");
  char line[1024], act[16], ph[kMaxName], top[kMaxName];
  uint64_t addr;
  while (fgets(line, sizeof line, f) != NULL) {
    if (sscanf(line, "exe %95s", ph) == 1) {
      exe_rule = rule_named(ph);
      if (exe_rule < 0) {
        fprintf(stderr, "icount: the regions file names no file %s\n", ph);
        exit(2);
      }
      continue;
    }
    if (line[0] == '#' || line[0] == '\n') continue;
    ph[0] = top[0] = '\0';
    const int k = sscanf(line, "%" SCNx64 " %15s %95s %95s", &addr, act, ph, top);
    if (k < 2 || n_marks == (int)(sizeof marks / sizeof marks[0])) {
      fprintf(stderr, "icount: bad line in %s: %s", path, line);
      exit(2);
    }
    struct mark *m = &marks[n_marks++];
    m->link = addr;
    m->phase = -1;
    m->if_top = -1;
    const char *cond = NULL;
    if (strcmp(act, "pop") == 0) {
      m->action = kPop;
      if (k >= 3) cond = ph;
    } else {
      if (strcmp(act, "frame") == 0) m->action = kFrame;
      else if (strcmp(act, "set") == 0) m->action = kSet;
      else if (strcmp(act, "push") == 0) m->action = kPush;
      else {
        fprintf(stderr, "icount: bad action %s\n", act);
        exit(2);
      }
      if (k < 3) {
        fprintf(stderr, "icount: mark without a phase: %s", line);
        exit(2);
      }
      m->phase = phase_id(ph);
      if (k >= 4) cond = top;
    }
    if (cond != NULL && cond[0] != '\0') m->if_top = phase_id(cond);
  }
  fclose(f);
  if (exe_rule < 0) {
    fprintf(stderr, "icount: %s names no program file (exe line)\n", path);
    exit(2);
  }
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info,
                                           int argc, char **argv) {
  (void)info;
  const char *regions = NULL, *marks_path = NULL, *out_path = NULL;
  for (int i = 0; i < argc; ++i) {
    if (strncmp(argv[i], "regions=", 8) == 0) regions = argv[i] + 8;
    else if (strncmp(argv[i], "marks=", 6) == 0) marks_path = argv[i] + 6;
    else if (strncmp(argv[i], "out=", 4) == 0) out_path = argv[i] + 4;
    else {
      fprintf(stderr, "icount: unknown argument %s\n", argv[i]);
      return -1;
    }
  }
  if (regions == NULL || marks_path == NULL || out_path == NULL) {
    fprintf(stderr, "icount: needs regions=, marks= and out=\n");
    return -1;
  }
  other_region = region_id("other");
  read_regions(regions);
  read_marks(marks_path);
  stack[0] = phase_id("startup");
  depth = 1;
  out = open_or_die(out_path, "w");
  qemu_plugin_register_vcpu_init_cb(id, on_vcpu_init);
  qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
  qemu_plugin_register_vcpu_syscall_ret_cb(id, on_syscall_ret);
  qemu_plugin_register_atexit_cb(id, on_run_end, NULL);
  return 0;
}
