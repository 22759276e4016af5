// A bookmarking site as Vue 3 builds one: v-model inputs (the form posts the component's state) and a
// Save button, found by its caption, enabled once the title has had an input event.
// window.tvxMode "fetch": the login and the save are sent by fetch() to <root>/api/login and
// <root>/api/save and the page stays; "spa": a one-page app that logs in by fetch a moment after the
// press and then shows its add view at <root>/submit by history.pushState.
import { createApp, h, ref, vModelText, vModelCheckbox, withDirectives } from 'vue';

const mode = window.tvxMode || 'form';
const root = window.tvxRoot || '/vue';
const page = ref(window.tvxPage);
const said = ref('');

function send(path, fields) {
  return fetch(root + path, { method: 'POST', body: new URLSearchParams(fields) });
}

// The form's submit: the browser's own in the plain mode, else the page's request.
function onSubmit(path, fields, then) {
  if (mode === 'form')
    return {};
  return {
    onSubmit: (e) => {
      e.preventDefault();
      const go = () => send(path, fields()).then((r) => {
        said.value = r.ok ? '已保存' : '出错了';
        if (r.ok && then)
          then();
      });
      if (mode === 'spa' && path === '/api/login')
        setTimeout(go, 50);
      else
        go();
    },
  };
}

function text(id, model, extra) {
  return withDirectives(h('input', Object.assign({ id, 'onUpdate:modelValue': (v) => { model.value = v; } }, extra)),
                        [[vModelText, model.value]]);
}

const Login = {
  setup() {
    const user = ref('');
    const password = ref('');
    const loggedIn = () => {
      if (mode === 'spa') {
        history.pushState(null, '', root + '/submit');
        page.value = 'submit';
      }
    };
    return () => h('form', Object.assign({ method: 'post', action: root + '/login' },
                                         onSubmit('/api/login', () => ({ user: user.value, password: password.value }), loggedIn)), [
      text('uid', user),
      text('pwd', password, { type: 'password' }),
      h('input', { type: 'hidden', name: 'user', value: user.value }),
      h('input', { type: 'hidden', name: 'password', value: password.value }),
      h('input', { type: 'submit', name: 'go', value: '登录' }),
    ]);
  },
};

const Submit = {
  setup() {
    const title = ref('');
    const url = ref('');
    const tags = ref('');
    const shared = ref(false);
    const fields = () => ({ title: title.value, url: url.value, tags: tags.value, shared: String(shared.value) });
    return () => h('form', Object.assign({ method: 'post', action: root + '/submit' }, onSubmit('/api/save', fields)), [
      text('title', title),
      text('url', url),
      text('tags', tags),
      withDirectives(h('input', { id: 'shared', type: 'checkbox', 'onUpdate:modelValue': (v) => { shared.value = v; } }),
                     [[vModelCheckbox, shared.value]]),
      h('input', { type: 'hidden', name: 'title', value: title.value }),
      h('input', { type: 'hidden', name: 'url', value: url.value }),
      h('input', { type: 'hidden', name: 'tags', value: tags.value }),
      h('input', { type: 'hidden', name: 'shared', value: String(shared.value) }),
      h('input', { type: 'submit', value: '保存', disabled: title.value === '' }),
      h('p', null, said.value),
    ]);
  },
};

createApp({ setup: () => () => h(page.value === 'login' ? Login : Submit) }).mount('#app');
