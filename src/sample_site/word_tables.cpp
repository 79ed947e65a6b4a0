#include "sample_site/word_tables.h"

#include <initializer_list>

#include "base/code_page.h"

namespace lv::site {
namespace {

WordTables::List to_gbk(std::initializer_list<const char*> utf8) {
  WordTables::List out;
  out.reserve(utf8.size());
  for (const char* s : utf8) out.push_back(lv::base::gbk(s));
  return out;
}

WordTables build() {
  using lv::base::gbk;
  WordTables t;
  t.title_heads = to_gbk({"九天", "太古", "万古", "混沌", "洪荒", "无上", "至尊", "逆天", "绝世",
                          "不朽", "永恒", "星辰", "苍穹", "大荒", "玄黄", "紫霄", "青云", "天道",
                          "神魔", "乾坤", "阴阳", "轮回", "长生", "天元", "龙渊", "凌霄", "鸿蒙",
                          "剑域", "灵霄", "寒山", "赤霞", "碧落", "九幽", "万象", "太虚", "归墟"});
  t.title_tails = to_gbk({"剑帝", "神尊", "仙途", "战神", "丹尊", "武神", "道祖", "仙帝", "魔尊",
                          "剑仙", "神王", "天尊", "圣皇", "真仙", "剑主", "丹帝", "神帝", "道主",
                          "仙王", "霸主", "仙尊", "剑神", "灵尊", "妖皇", "龙帝", "狂神"});
  t.title_suffixes = to_gbk({"诀", "录", "记", "传", "经", "志", "纪", "剑歌", "仙缘", "道途"});
  t.title_openers = to_gbk({"重生之", "修真之", "我的", "都市", "穿越之", "异世"});
  t.surnames = to_gbk({"萧", "林", "叶", "楚", "苏", "秦", "陈", "沈", "韩", "顾", "陆", "江",
                       "墨", "白", "云", "方", "柳", "洛", "唐", "孟", "宁", "夏", "薛", "程"});
  t.given_names = to_gbk({"辰", "逸", "尘", "寒", "轩", "羽", "凡", "风", "云舒", "长歌", "星河",
                          "问天", "无涯", "清远", "青衣", "流云", "孤城", "如风", "不语", "知秋",
                          "若水", "北辰", "南山", "静安", "一鸣", "天行"});
  t.pen_suffixes = to_gbk({"道人", "散人", "居士", "书生", "老魔", "醉客", "公子", "山人"});
  t.chapter_subjects = to_gbk({"剑意", "雷劫", "宗门", "秘境", "丹田", "灵根", "妖兽", "古碑",
                               "魔气", "血脉", "神识", "阵法", "仙府", "天劫", "道心", "剑阁",
                               "灵脉", "古城", "禁地", "龙魂"});
  t.chapter_events = to_gbk({"初成", "降临", "开启", "觉醒", "突破", "异变", "再现", "大成",
                             "崩塌", "现世", "震动", "之威", "之争", "之谜", "惊变", "归来"});
  t.chapter_phrases = to_gbk({"初入宗门", "宗门大比", "神秘老者", "一剑破万法", "震惊全场",
                              "天才之争", "上古传承", "绝境逢生", "夜探禁地", "不速之客",
                              "拜师", "筑基", "结丹", "元婴", "夺宝", "逃亡", "反击", "对决",
                              "杀机四伏", "风云再起", "以一敌百", "剑指苍穹", "破而后立",
                              "故人相见", "山雨欲来", "尘埃落定"});
  t.special_titles = to_gbk({"上架感言", "作者的话", "请假一天", "新书感言", "关于更新的说明",
                             "感谢书友的打赏"});
  t.prologue_words = to_gbk({"序章", "楔子", "引子"});
  t.afterword_titles = to_gbk({"完本感言", "后记", "完本总结"});
  t.subjects = to_gbk({"那名青年", "众人", "老者", "少女", "对方", "宗主", "他", "她",
                       "几名弟子", "长老", "黑袍人", "守门的弟子"});
  t.actions = to_gbk({"心中一动", "眉头微皱", "冷笑一声", "深吸一口气", "目光一凝",
                      "缓缓抬起头", "身形一闪", "轻轻点了点头", "沉默片刻", "脸色骤变",
                      "嘴角露出一丝笑意", "握紧了手中的长剑", "盘膝而坐", "转身望向远方",
                      "不由得后退了半步", "心神一震"});
  t.continuations = to_gbk({"，体内灵力疯狂运转", "，一道剑光破空而出",
                            "，四周的空气仿佛凝固了一般", "，随即朝着山谷深处掠去",
                            "，只觉得一股磅礴的气息扑面而来", "，周身泛起淡淡的金光",
                            "，脚下的青石地面寸寸龟裂", "，眼中闪过一抹精芒",
                            "，却没有再说什么", "，丹田中的真元缓缓流转",
                            "，识海之中传来一阵刺痛", "，整个人如同离弦之箭"});
  t.scenery = to_gbk({"远处的群山笼罩在云雾之中", "夜色渐深，山风带着几分寒意",
                      "大殿之内一片寂静，落针可闻", "天边的晚霞将半座山峰染成了赤红色",
                      "一阵清脆的钟声从峰顶传来，回荡在群山之间", "溪水潺潺，几尾灵鱼在石缝间游动",
                      "广场上早已人山人海，各派弟子议论纷纷", "洞府之中灵气氤氲，石壁上刻满了古老的符文",
                      "雷云翻滚，一道道紫色电蛇在云层中穿梭", "月光洒在湖面上，泛起粼粼波光"});
  t.speech = to_gbk({"你到底是什么人？", "此事恐怕没有那么简单。", "既然如此，那就一战吧！",
                     "多谢前辈指点。", "我一定会回来的！", "三日之后，宗门大比便要开始了。",
                     "这股气息，难道是传说中的上古剑意？", "今日之事，我记下了。",
                     "小心，前面有阵法！", "你还差得远呢。", "师兄，你怎么来了？"});
  t.speech_verbs = to_gbk({"说道", "沉声道", "笑道", "冷冷地说道", "低声道", "喝道"});
  t.intro_lines = to_gbk({"少年@自小灵根残缺，受尽白眼，一次意外让他得到了一枚来历不明的古戒",
                          "天地之间，强者为尊，@一步步踏上了逆天修行之路",
                          "宗门覆灭之夜，@从废墟中爬出，发誓要让仇人血债血偿",
                          "万年前的一场大战埋下了无数秘辛，而@的身世正与之息息相关",
                          "一剑在手，@要问这天地间谁敢称尊",
                          "修仙界风云变幻，@带着一身秘密走出了大山"});
  static const char* const kDigits[10] = {"零", "一", "二", "三", "四",
                                          "五", "六", "七", "八", "九"};
  for (int i = 0; i < 10; ++i) t.digits[i] = gbk(kDigits[i]);
  t.ten = gbk("十");
  t.hundred = gbk("百");
  t.thousand = gbk("千");
  t.wan = gbk("万");
  t.di = gbk("第");
  t.zhang = gbk("章");
  t.full_stop = gbk("。");
  t.exclamation = gbk("！");
  t.ellipsis = gbk("……");
  t.open_quote = gbk("“");
  t.close_quote = gbk("”");
  t.ideographic_space = gbk("　");
  t.site_name = gbk("洛凡书阁");
  t.category = gbk("修真小说");
  t.category_tag = gbk("[修真小说]");
  t.status_ongoing = gbk("连载中");
  t.status_finished = gbk("已完成");
  t.author_label = gbk("作者：");
  t.category_label = gbk("类别：");
  t.status_label = gbk("状态：");
  t.intro_label = gbk("内容简介：");
  t.text_heading = gbk("正文");
  t.latest_label = gbk("最新章节：");
  t.promotion_lead = gbk("各位书友要是觉得");
  t.promotion_tail = gbk("还不错的话请不要忘记向您的朋友推荐哦！");
  t.book_open = gbk("《");
  t.book_close = gbk("》");
  t.home = gbk("首页");
  t.finished = gbk("完本小说");
  t.prev_chapter = gbk("上一章");
  t.next_chapter = gbk("下一章");
  t.chapter_index = gbk("章节目录");
  t.popular = gbk("热门推荐");
  t.newest = gbk("最近更新");
  t.other_category = gbk("玄幻小说");
  return t;
}

}  // namespace

const WordTables& word_tables() {
  static const WordTables tables = build();
  return tables;
}

}  // namespace lv::site
