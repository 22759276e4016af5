// A bookmarking site as Vue 3 builds one: v-model inputs (the form posts the component's state) and a
// Save button, found by its caption, enabled once the title has had an input event.
import { createApp, h, ref, vModelText, vModelCheckbox, withDirectives } from 'vue';

function text(id, model, extra) {
  return withDirectives(h('input', Object.assign({ id, 'onUpdate:modelValue': (v) => { model.value = v; } }, extra)),
                        [[vModelText, model.value]]);
}

const Login = {
  setup() {
    const user = ref('');
    const password = ref('');
    return () => h('form', { method: 'post', action: '/vue/login' }, [
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
    return () => h('form', { method: 'post', action: '/vue/submit' }, [
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
    ]);
  },
};

createApp(window.tvxPage === 'login' ? Login : Submit).mount('#app');
